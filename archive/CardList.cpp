#include "archive/CardList.h"

#include "archive/CardSearch.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>

namespace velarium {
namespace {

// Where a character sorts: its class and place first, its accent only to break ties.
struct Weight
{
    std::uint16_t primary;
    std::uint8_t accent;
};

constexpr std::uint16_t kSymbol = 0x100;
constexpr std::uint16_t kDigit = 0x200;
constexpr std::uint16_t kLetter = 0x300;

// Plain letters of the Latin-1 and Windows-1252 accented letters; two letters for ligatures.
std::string_view baseLetters(unsigned char c)
{
    static const std::array<const char*, 64> latin1 = {
        "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
        "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "ss",
        "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
        "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y"};
    if (c >= 0xC0) {
        return latin1[c - 0xC0];
    }
    switch (c) {
    case 0x8A:
    case 0x9A:
        return "s";
    case 0x8E:
    case 0x9E:
        return "z";
    case 0x8C:
    case 0x9C:
        return "oe";
    case 0x9F:
        return "y";
    default:
        return {};
    }
}

std::vector<Weight> sortKey(std::string_view text)
{
    std::vector<Weight> key;
    key.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\'' || c == '-') {
            continue; // word sort: they do not separate words
        }
        if (c >= 'a' && c <= 'z') {
            key.push_back({static_cast<std::uint16_t>(kLetter + c), 0});
        } else if (c >= 'A' && c <= 'Z') {
            key.push_back({static_cast<std::uint16_t>(kLetter + c - 'A' + 'a'), 0});
        } else if (c >= '0' && c <= '9') {
            key.push_back({static_cast<std::uint16_t>(kDigit + c), 0});
        } else if (const std::string_view base = baseLetters(c); !base.empty()) {
            for (char letter : base) {
                key.push_back({static_cast<std::uint16_t>(kLetter + letter), c});
            }
        } else {
            key.push_back({static_cast<std::uint16_t>(kSymbol + c), 0});
        }
    }
    return key;
}

bool keyLess(const std::vector<Weight>& ka, const std::vector<Weight>& kb)
{
    const auto primary = [](const Weight& x, const Weight& y) {
        return x.primary < y.primary;
    };
    if (std::lexicographical_compare(ka.begin(), ka.end(), kb.begin(), kb.end(), primary)) {
        return true;
    }
    if (std::lexicographical_compare(kb.begin(), kb.end(), ka.begin(), ka.end(), primary)) {
        return false;
    }
    const auto accent = [](const Weight& x, const Weight& y) {
        return x.accent < y.accent;
    };
    return std::lexicographical_compare(ka.begin(), ka.end(), kb.begin(), kb.end(), accent);
}

} // namespace

bool listBoxLess(std::string_view a, std::string_view b)
{
    return keyLess(sortKey(a), sortKey(b));
}

void sortLikeListBox(std::vector<std::string>& entries)
{
    // Each key is worked out once, not at every comparison.
    std::vector<std::pair<std::vector<Weight>, std::size_t>> keyed;
    keyed.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        keyed.emplace_back(sortKey(entries[i]), i);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return keyLess(a.first, b.first); });
    std::vector<std::string> sorted;
    sorted.reserve(entries.size());
    for (const auto& item : keyed) {
        sorted.push_back(std::move(entries[item.second]));
    }
    entries = std::move(sorted);
}

std::vector<std::string> searchCardList(CardArchive& archive, std::string_view criteria)
{
    std::vector<std::string> entries;
    while (!archive.AtEnd()) {
        const FileCard card = archive.Read();
        if (cardListed(card.Description, criteria)) {
            entries.emplace_back(trimmed(card.Description));
        }
    }
    sortLikeListBox(entries);
    return entries;
}

std::optional<std::size_t> findNextEntry(const std::vector<std::string>& entries,
                                         std::optional<std::size_t> selected, std::string_view key,
                                         std::string_view previousKey)
{
    if (entries.empty()) {
        return std::nullopt;
    }
    const std::size_t current = selected.value_or(0);
    const bool continuing = lowerCase(key) == lowerCase(previousKey);
    const std::size_t start = continuing ? current : 0;
    std::size_t at = continuing ? (start + 1) % entries.size() : start;
    // Every entry is tested once; the walk ends back at its start, which is tested last when
    // continuing and first otherwise.
    for (std::size_t tested = 0; tested < entries.size(); ++tested) {
        if (containsFolded(entries[at], key)) {
            return at;
        }
        at = (at + 1) % entries.size();
    }
    return current;
}

std::optional<std::pair<FileCard, std::uint64_t>> lastCardDescribed(CardArchive& archive,
                                                                    std::string_view entry)
{
    std::optional<std::pair<FileCard, std::uint64_t>> found;
    const std::string_view wanted = trimmed(entry);
    while (!archive.AtEnd()) {
        FileCard card = archive.Read();
        if (trimmed(card.Description) == wanted) {
            found.emplace(std::move(card), archive.Position());
        }
    }
    return found;
}

std::vector<std::pair<FileCard, std::uint64_t>> cardsForFile(CardArchive& archive,
                                                             std::string_view path)
{
    std::vector<std::pair<FileCard, std::uint64_t>> found;
    while (!archive.AtEnd()) {
        FileCard card = archive.Read();
        if (card.FilePath == path) {
            found.emplace_back(std::move(card), archive.Position());
        }
    }
    return found;
}

} // namespace velarium
