#pragma once

#include "archive/CardArchive.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The list of the search window: which cards it shows, in which order, how the find key walks
// it, and which card a chosen entry loads.
namespace velarium {

// The trimmed descriptions of the cards listed for the criteria (see cardListed), read from
// the first card to the last, in the list's order.
std::vector<std::string> searchCardList(CardArchive& archive, std::string_view criteria);

// The order of a sorted system list box: letter case ignored, accented letters next to their
// plain ones, punctuation before digits before letters, hyphens and apostrophes ignored; equal
// entries keep their arrival order.
bool listBoxLess(std::string_view a, std::string_view b);
void sortLikeListBox(std::vector<std::string>& entries);

// One press of the find button over the list. With no selection, the first entry is selected
// before the search. A key new to the walk starts at the first entry; the key of the previous
// press starts below the selection, wrapping round to the top. Returns the entry to select,
// which stays the current one when nothing matches; nothing for an empty list. An empty key
// matches nothing; letters A to Z are folded, the key is not trimmed.
std::optional<std::size_t> findNextEntry(const std::vector<std::string>& entries,
                                         std::optional<std::size_t> selected, std::string_view key,
                                         std::string_view previousKey);

// The card a chosen entry stands for: the last card in the archive whose trimmed description
// equals the trimmed entry, with its number. Every card is read.
std::optional<std::pair<FileCard, std::uint64_t>> lastCardDescribed(CardArchive& archive,
                                                                    std::string_view entry);

// The cards whose file is exactly `path` (Windows-1252 bytes, as a card holds it; no trimming,
// letter case counts), with their numbers, oldest first. Every card is read.
std::vector<std::pair<FileCard, std::uint64_t>> cardsForFile(CardArchive& archive,
                                                             std::string_view path);

} // namespace velarium
