#pragma once

#include <string_view>

namespace velarium {

// Whether a card belongs in a search result for the criteria text as the user typed it.
// Criteria of blanks only (or nothing) list every card. Otherwise the card is listed when the
// criteria, untrimmed, occur anywhere in its description, with the letters A to Z folded to
// lower case and every other character compared as it is.
bool cardListed(std::string_view description, std::string_view criteria);

// The matching on its own: an empty key matches nothing.
bool containsFolded(std::string_view text, std::string_view key);

} // namespace velarium
