#pragma once

#include "platform/PrintCanvas.h"

#include <string>
#include <string_view>
#include <vector>

namespace velarium {

// The height in printer pixels of a font of the given size.
int fontHeight(const PrintCanvas& canvas, int points);

// Prints the search list: a title between two rules of hyphens, the entries double-spaced in
// small type (a new page when the bottom margin is reached), a short rule and the date and time
// of printing.
void printCardList(PrintCanvas& canvas, const std::vector<std::string>& entries,
                   std::string_view date, std::string_view time);

} // namespace velarium
