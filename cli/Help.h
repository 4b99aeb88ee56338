#pragma once

// The tool's help: one table of the commands, read by the help pages and by the messages on
// wrong usage.

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velarium::cli {

struct CommandHelp
{
    // One or more words, separated by single spaces ("cards list").
    std::string_view name;
    std::string_view arguments;
    std::string_view summary;
    // What the command does, line by line, then examples of use.
    std::string_view details;
    std::string_view examples;
};

// Every command, in the order of the tool's help.
std::span<const CommandHelp> commandHelps();

// The pieces of `text` between separators: a command's words, or a text's lines.
std::vector<std::string> splitWords(std::string_view text, char separator = ' ');

// "uso: NAME ARGUMENTS", for the end of a wrong-usage message.
std::string usageOf(std::string_view name);

// The first line of every wrong-usage message after its problem, and of the help.
inline constexpr std::string_view kSynopsis =
    "Uso: velarium-cli [--folder CARTELLA] COMANDO [ARGOMENTI]\n";

// The whole tool's help.
void printUsage(std::ostream& out);

// The help of every command whose name opens with `topic` ("cards" gives all the card
// commands), or the whole tool's when there is no topic; false when no command has that name.
bool printHelp(std::ostream& out, std::span<const std::string> topic);

} // namespace velarium::cli
