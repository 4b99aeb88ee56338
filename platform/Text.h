#pragma once

#include <optional>
#include <string>
#include <string_view>

// Texts of the archive, the access-password store and the cipher's password are Windows-1252
// bytes, as they were on the system this program comes from. Conversion to and from Unicode
// happens only at the edges (windows, command line), never silently losing a character.
namespace velarium {

// Trimming removes every character with a code from 0 to 32 at both ends.
std::string_view trimmed(std::string_view text);

// Only the letters a-z and A-Z change case; accented letters stay as they are.
std::string upperCase(std::string_view text);
std::string lowerCase(std::string_view text);

// The Unicode character that one Windows-1252 byte stands for. The five bytes that code page
// leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value,
// as Windows itself does, so that every byte string survives a round trip.
char32_t cp1252ToUnicode(unsigned char byte);
std::optional<unsigned char> unicodeToCp1252(char32_t code);

// UTF-8 to Windows-1252; nothing when the input is not valid UTF-8 or holds a character the
// code page cannot represent.
std::optional<std::string> utf8ToCp1252(std::string_view utf8);
std::string cp1252ToUtf8(std::string_view cp1252);

// How many bytes from the start of `utf8` end on a character's end: a character cut short at
// the end, its last bytes still to come, is left out, so that text written in pieces converts
// piece by piece. Broken sequences count as they stand and are never held back.
std::size_t wholeUtf8Length(std::string_view utf8);

} // namespace velarium
