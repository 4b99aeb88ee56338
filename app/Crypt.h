#pragma once

#include "platform/Error.h"

#include <filesystem>
#include <string>
#include <string_view>

// The program's own reversible scrambling of the access password into hexadecimal text, and
// the one rule by which a typed password is accepted. An obfuscation, not encryption: its
// constants are the same for every installation.
namespace velarium {

// A hex text that is not made of hexadecimal digit pairs.
class ConversionError : public Error
{
public:
    using Error::Error;
};

// Two upper-case hexadecimal digits per byte; the empty text gives the empty text.
std::string HexScrambleEncode(std::string_view plain);
// Lower-case digits are accepted, a last unpaired character is ignored, and any other
// character inside the pairs fails the whole text with ConversionError.
std::string HexScrambleDecode(std::string_view hex);

// A text as a label holds it: up to its first NUL.
std::string_view labelText(std::string_view text);

// The password a stored value holds, as the dialogs hold it in a label: decoded, and ended at
// its first NUL. Raises ConversionError for a value that is not hex.
std::string storedPassword(std::string_view storedValue);

// Whether the typed password (Windows-1252 bytes) opens the program whose store holds
// `storedValue`. Letters a to z count as upper case; blanks at either end are ignored. A
// stored value that is not hex raises ConversionError; an empty one refuses everything.
bool AccessCheck(std::string_view storedValue, std::string_view typed);

// The value the store keeps for a new password: upper-cased (a to z), trimmed, scrambled.
std::string storedValueFor(std::string_view newPassword);

} // namespace velarium

// The access-password store: "unins000.dll" in the program folder, section "Accesso", key
// "Valore", the scrambled password as its value.
namespace velarium {

inline constexpr const char* kAccessStoreName = "unins000.dll";

// The stored value, or the empty text when the file, the section or the key is missing.
std::string readAccessValue(const std::filesystem::path& programFolder);
// Replaces (or creates) the stored value; raises when the store cannot be written, leaving the
// previous value.
void writeAccessValue(const std::filesystem::path& programFolder, std::string_view value);

} // namespace velarium
