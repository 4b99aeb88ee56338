#pragma once

// What the portable and the Windows backends must agree on, byte for byte. Both sides build the
// same inputs from these definitions; the portable side writes its results to a folder that the
// Windows side reads, and the reverse.

#include "TempFolder.h"
#include "platform/Rc4.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace velarium::test::crosscheck {

inline const std::vector<std::size_t>& sizes()
{
    static const std::vector<std::size_t> all{0, 1, 511, 512, 513, 100000};
    return all;
}

// Empty, ASCII, with blanks (at the end too, which the cipher keeps), Windows-1252 letters
// (è = 0xE8, € = 0x80) and the longest a card holds.
inline const std::vector<std::string>& passwords()
{
    static const std::vector<std::string> all = [] {
        std::string longest;
        for (int i = 0; longest.size() < 250; ++i) {
            const int letter = i % 3 == 0 ? 'a' + i % 26 : i % 3 == 1 ? 0xE0 + i % 32 : ' ';
            longest += static_cast<char>(letter);
        }
        return std::vector<std::string>{"", "Velarium2", " parola con spazi ", "caff\xE8 a 5 \x80",
                                        longest};
    }();
    return all;
}

inline std::string plainFor(std::size_t size)
{
    return randomBytes(size, 1000u + static_cast<unsigned>(size));
}

// FNV-1a: enough to tell two outputs apart, and computed alike on both sides without a library.
inline std::uint64_t digest(std::string_view bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

inline std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (char c : bytes) {
        out.push_back(digits[(static_cast<unsigned char>(c) >> 4) & 0xF]);
        out.push_back(digits[static_cast<unsigned char>(c) & 0xF]);
    }
    return out;
}

// One line of the expected-output file: size, password in hex ("-" when empty), digest of the
// whole output, and its first 32 bytes in hex ("-" when empty).
inline std::string cipherLine(std::size_t size, std::string_view password, std::string_view output)
{
    char head[64];
    std::snprintf(head, sizeof head, "%zu ", size);
    char sum[32];
    std::snprintf(sum, sizeof sum, " %016llx ", static_cast<unsigned long long>(digest(output)));
    const std::string prefix = hex(output.substr(0, 32));
    return head + (password.empty() ? std::string("-") : hex(password)) + sum +
           (prefix.empty() ? std::string("-") : prefix);
}

// Both keys a provider can give, each with its own expected-output file.
inline constexpr platform::KeySize kKeySizes[] = {platform::KeySize::Bits128,
                                                  platform::KeySize::Bits40};

inline const char* cipherFile(platform::KeySize keySize)
{
    return keySize == platform::KeySize::Bits40 ? "cifrature-40.txt" : "cifrature.txt";
}
inline constexpr const char* kPortableStoreFolder = "portabile";
inline constexpr const char* kWindowsStoreFolder = "windows";

struct StoreEntry
{
    const char* section;
    const char* key;
    std::string value;
};

// Entries each side writes into its store, beside the access value.
inline const std::vector<StoreEntry>& storeEntries()
{
    static const std::vector<StoreEntry> all{
        {"Altro", "Spazi", "valore con spazi interni"},
        {"Altro", "Accenti", "perch\xE8 \x80 10"},
        {"Accesso", "Vuoto", ""},
    };
    return all;
}

inline constexpr const char* kAccessPassword = "PAROLA D'ACCESSO \xC8";

} // namespace velarium::test::crosscheck
