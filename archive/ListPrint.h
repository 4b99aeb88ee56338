#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velarium {

// A page of the printer as the list printout uses it: positions in printer pixels from the top
// left of the printable area, texts in Windows-1252, one font face whose size changes.
class PrintCanvas
{
public:
    virtual ~PrintCanvas() = default;
    virtual int pageHeight() const = 0;
    virtual int dotsPerInchY() const = 0;
    virtual void setFontSize(int points) = 0;
    // Writes a line whose top edge is at y.
    virtual void textOut(int x, int y, std::string_view text) = 0;
    virtual void newPage() = 0;
};

// The height in printer pixels of a font of the given size.
int fontHeight(const PrintCanvas& canvas, int points);

// Prints the search list: a title between two rules of hyphens, the entries double-spaced in
// small type (a new page when the bottom margin is reached), a short rule and the date and time
// of printing.
void printCardList(PrintCanvas& canvas, const std::vector<std::string>& entries,
                   std::string_view date, std::string_view time);

} // namespace velarium
