#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Paths that arrive or leave as UTF-8 text: the command line, messages. A path built from plain
// bytes reads them in the ANSI code page on Windows, so an accented name would find another file
// or none; on other systems the bytes are the name, valid UTF-8 or not, and pass untouched.
namespace velarium {

std::filesystem::path pathFromUtf8(std::string_view utf8);

// What the system cannot spell in UTF-8 (a Windows name with half a surrogate pair) comes out as
// the path's own bytes in the ANSI code page rather than as an error: a message about a file is
// no place to fail.
std::string utf8FromPath(const std::filesystem::path& path);

} // namespace velarium
