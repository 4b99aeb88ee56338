#include "platform/Log.h"

#include <cstdio>
#include <string>

namespace velarium {

void logFailure(std::string_view command, const std::exception& failure) noexcept
{
    try {
        std::string line = "Velarium: ";
        line += command;
        line += ": ";
        line += failure.what();
        line += '\n';
        // One write, so that the lines of two failures never interleave.
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
    } catch (...) {
        // Out of memory for the line: the failure itself is still shown by its command.
    }
}

} // namespace velarium
