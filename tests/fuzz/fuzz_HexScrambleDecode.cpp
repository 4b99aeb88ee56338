// The access password's scrambled store value, as any file could hold it: decoding must fail
// cleanly or give back exactly what encoding would turn into the same digits.

#include "FuzzSupport.h"
#include "app/Crypt.h"
#include "platform/Text.h"

#include <string>

using velarium::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input = velarium::fuzz::asText(data, size);

    // The input as a stored value.
    try {
        const std::string plain = velarium::HexScrambleDecode(input);
        require(plain.size() == input.size() / 2, "one byte for every pair of digits");
        // Digits in either case, and an unpaired last one ignored: encoding gives them back in
        // upper case.
        const std::string paired = velarium::upperCase(input.substr(0, plain.size() * 2));
        require(velarium::HexScrambleEncode(plain) == paired, "decoding is encoding reversed");
    } catch (const velarium::ConversionError&) {
        bool allHex = true;
        for (std::size_t i = 0; i < input.size() / 2 * 2; ++i) {
            const char c = input[i];
            allHex = allHex &&
                     ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
        }
        require(!allHex, "only a non-hex digit inside the pairs fails");
    }
    try {
        velarium::AccessCheck(input, "qualunque");
        velarium::storedPassword(input);
    } catch (const velarium::ConversionError&) {
    }

    // The input as a password: whatever is stored for it opens the program with it again,
    // unless a NUL inside it (which a typed password cannot hold) ends the stored text early.
    require(velarium::HexScrambleDecode(velarium::HexScrambleEncode(input)) == input,
            "encoded bytes decode back");
    const std::string stored = velarium::storedValueFor(input);
    if (velarium::trimmed(velarium::upperCase(input)).find('\0') == std::string_view::npos) {
        require(velarium::AccessCheck(stored, input), "a new password opens the program");
        require(velarium::AccessCheck(stored, velarium::lowerCase(input)),
                "letters a to z are matched in either case");
    }
    return 0;
}
