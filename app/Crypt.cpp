#include "app/Crypt.h"

#include "platform/Profile.h"
#include "platform/Text.h"

#include <cstdint>
#include <vector>

namespace velarium {
namespace {

constexpr std::uint16_t kStartKey = 24851;
constexpr std::uint16_t kMultiplier = 45197;
constexpr std::uint16_t kAddend = 28411;

// The running key follows the scrambled byte in both directions, so both see the same keys.
std::uint16_t nextKey(std::uint16_t key, std::uint8_t scrambled)
{
    // Worked in 32 bits and cut to 16: the product of two 16-bit values overflows an int.
    const std::uint32_t sum = (static_cast<std::uint32_t>(key) + scrambled) & 0xFFFF;
    return static_cast<std::uint16_t>((sum * kMultiplier + kAddend) & 0xFFFF);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

std::string HexScrambleEncode(std::string_view plain)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(plain.size() * 2);
    std::uint16_t key = kStartKey;
    for (char p : plain) {
        const auto c = static_cast<std::uint8_t>(static_cast<std::uint8_t>(p) ^ (key >> 8));
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 0xF]);
        key = nextKey(key, c);
    }
    return hex;
}

std::string HexScrambleDecode(std::string_view hex)
{
    // Every pair is converted before anything is unscrambled: one bad digit fails the whole.
    std::vector<std::uint8_t> scrambled;
    scrambled.reserve(hex.size() / 2);
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            throw ConversionError("Valore esadecimale non valido");
        }
        scrambled.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    std::string plain;
    plain.reserve(scrambled.size());
    std::uint16_t key = kStartKey;
    for (std::uint8_t c : scrambled) {
        plain.push_back(static_cast<char>(c ^ (key >> 8)));
        key = nextKey(key, c);
    }
    return plain;
}

std::string_view labelText(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}

std::string storedPassword(std::string_view storedValue)
{
    // The stored text passes through a label on its way, which ends it at its first NUL.
    return std::string(labelText(HexScrambleDecode(labelText(storedValue))));
}

bool AccessCheck(std::string_view storedValue, std::string_view typed)
{
    const std::string stored = storedPassword(storedValue);
    const std::string upper = upperCase(typed);
    return trimmed(stored) == trimmed(upper);
}

std::string storedValueFor(std::string_view newPassword)
{
    const std::string upper = upperCase(newPassword);
    const std::string hex = HexScrambleEncode(labelText(trimmed(upper)));
    return std::string(trimmed(hex));
}

std::string readAccessValue(const std::filesystem::path& programFolder)
{
    return platform::readProfileString(programFolder / kAccessStoreName, "Accesso", "Valore");
}

void writeAccessValue(const std::filesystem::path& programFolder, std::string_view value)
{
    platform::writeProfileString(programFolder / kAccessStoreName, "Accesso", "Valore", value);
}

} // namespace velarium
