#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace velarium {

// Every failure inside a command is raised as one of these and caught by that command's guard,
// which shows the command's own message; the text here is for the command-line tool and tests.
class Error : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A refusal by the operating system, with the path concerned and the system's error code.
class SystemError : public Error
{
public:
    SystemError(const std::string& what, const std::filesystem::path& path, int code);
    int code() const noexcept { return code_; }

private:
    int code_;
};

} // namespace velarium
