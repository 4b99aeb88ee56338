#pragma once

#include <exception>
#include <string_view>

namespace velarium {

// Writes why a command failed to the program's log, its standard error, as one line: the
// program, the command, the cause. A window shows only its command's fixed message; the cause
// stays here for a report to be diagnosed. Never fails: a log that cannot be written is lost.
void logFailure(std::string_view command, const std::exception& failure) noexcept;

} // namespace velarium
