#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// Private-profile (INI) files, read and written as the Windows profile calls do on the files
// that matter: section and key names matched without regard to letter case, blanks around
// names and values ignored, CRLF or LF line ends, everything else in the file kept.
namespace velarium::platform {

// The largest profile read. A value holds at most 2047 characters, so a file with a few of them
// fits many times over; anything larger is no profile of the program's.
inline constexpr std::size_t kProfileSizeLimit = 16 * 1024;

// The value of `key` in `section`, or `fallback` when the file, the section or the key is
// missing; at most 2047 characters. Raises when the path names anything but a regular file (a
// pipe, a device) or a file longer than kProfileSizeLimit: it is never read.
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback = {});

// Sets `key` in `section` to `value`, creating the file, the section or the key as needed.
// The file is replaced in one step. Raises when the file cannot be written, or cannot be read
// as readProfileString reads it.
void writeProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

} // namespace velarium::platform
