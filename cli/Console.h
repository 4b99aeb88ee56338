#pragma once

// What the tool needs of the system's terminal and standard streams, one source file per system
// behind it (ConsolePosix.cpp, ConsoleWin32.cpp), so that the commands read and write UTF-8 the
// same way everywhere.

#include "cli/PasswordInput.h"

#include <cstddef>
#include <string>
#include <vector>

namespace velarium::cli {

// The words after the program's name, in UTF-8. On Windows they are taken from the system's
// UTF-16 command line, since the C runtime's own would have lost what the ANSI code page lacks.
std::vector<std::string> commandLineWords(int argc, char** argv);

// Called once before anything is written: standard output and error carry UTF-8, which a
// terminal shows as letters (a Windows console is written in UTF-16) and a pipe or a file
// receives unchanged, with bare line feeds as on every system.
void setUpStandardOutput();

// Whether a person is likely watching or typing: a terminal, or a Windows console.
bool standardInputIsTerminal();
bool standardErrorIsTerminal();

// What is typed on standard input's terminal is not shown until showTyping(); a line is still
// taken whole on Enter. The terminal gets its echo back also when the process is stopped
// (Ctrl-C and the like) in between, so that the user's shell is not left typing blind.
// Raises Error when the terminal cannot be set.
void hideTyping();
void showTyping() noexcept;

// The next line of standard input up to its line feed, which is left out; nothing after it is
// consumed. A terminal's line comes as UTF-8, whatever the system types in; from a pipe or a
// file the bytes come as they are. Raises Error when reading fails.
Secret readInputLine();

// Overwrites memory in a way the compiler may not leave out as useless.
void wipeMemory(void* data, std::size_t size) noexcept;

} // namespace velarium::cli
