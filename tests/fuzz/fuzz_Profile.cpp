// The profile reader and writer on any file content of a profile's size: reading never fails,
// names match in either case, and a value written reads back without disturbing the others.

#include "FuzzSupport.h"
#include "app/Crypt.h"
#include "platform/Profile.h"

#include <algorithm>
#include <array>
#include <string>

using velarium::fuzz::require;
using velarium::platform::readProfileString;
using velarium::platform::writeProfileString;

namespace {

struct Name
{
    const char* section;
    const char* key;
};

// The store's own names, the same in other cases, and names the store does not use.
constexpr std::array kNames{
    Name{"Accesso", "Valore"},
    Name{"ACCESSO", "valore"},
    Name{"Accesso", "Altra"},
    Name{"Altro", "Chiave"},
    Name{"", ""},
    Name{"Accesso", ""},
};

std::array<std::string, kNames.size()> readAll(const std::filesystem::path& file)
{
    std::array<std::string, kNames.size()> values;
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        values[i] = readProfileString(file, kNames[i].section, kNames[i].key, "assente");
        require(values[i].size() <= 2047, "values are cut to 2047 characters");
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A file larger than a profile can be is refused unread (test_PortableProfile); room is left
    // for the value written below.
    if (size + 64 > velarium::platform::kProfileSizeLimit) {
        return 0;
    }
    const std::string_view input = velarium::fuzz::asText(data, size);
    const std::filesystem::path file = velarium::fuzz::scratchFolder() / "unins000.dll";
    velarium::fuzz::writeBytes(file, input);

    const auto before = readAll(file);
    require(before[0] == before[1], "section and key names match in either case");

    // A value as the program stores it: the scrambled form of some of the input.
    const std::string value = velarium::HexScrambleEncode(input.substr(0, 16));
    writeProfileString(file, "Accesso", "Valore", value);
    const auto after = readAll(file);
    require(after[0] == value && after[1] == value, "the value written is read back");
    require(after[2] == before[2], "the section's other keys keep their values");
    require(after[3] == before[3], "other sections keep their values");

    // A new value replaces the one now in place, as changing the access password does.
    const std::string changed =
        velarium::HexScrambleEncode(input.substr(std::min<std::size_t>(16, input.size()), 16)) +
        "0";
    writeProfileString(file, "accesso", "VALORE", changed);
    const auto replaced = readAll(file);
    require(replaced[0] == changed, "a new value replaces the old one");
    require(replaced[2] == before[2] && replaced[3] == before[3],
            "replacing a value keeps the others");
    return 0;
}
