#pragma once

// One command of the tool, in one file: its words, its help, its options on its own CLI11
// subcommand, the typed request it makes of them, and the work. The command line, the help and
// the dispatch know the commands only through commands().

#include "cli/Requests.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI

namespace velarium {
class ArchiveError;
}

namespace velarium::cli {

// Scripts tell a refused request from a failed one by these.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kWrongUsage = 2;

// The first line of every wrong-usage message after its problem, and of the help.
inline constexpr std::string_view kSynopsis =
    "Uso: velarium-cli [--folder CARTELLA] COMANDO [ARGOMENTI]\n";

struct Context
{
    std::filesystem::path programFolder;
};

struct CommandHelp
{
    // One or more words, separated by single spaces ("cards list").
    std::string_view name;
    std::string_view arguments;
    // None for a command the help does not list.
    std::string_view summary;
    // What the command does, line by line, then examples of use.
    std::string_view details;
    std::string_view examples;
};

// What the words said to a command, once CLI11 has read them all.
class Reading
{
public:
    Reading(const CLI::App& words, std::vector<std::string> operands,
            std::optional<std::string> refused);

    // How many times the option was given, flags included.
    std::size_t count(const std::string& option) const;
    // The option's values in the order given, one per time it was given.
    const std::vector<std::string>& values(const std::string& option) const;
    // In the order given, those after "--" included.
    const std::vector<std::string>& operands() const { return operands_; }
    // What one of the command's validators refused. CLI11 stops at it before it looks at the
    // rest, so the command says it where its own checks would have found it.
    const std::optional<std::string>& refused() const { return refused_; }

private:
    const CLI::App& words_;
    std::vector<std::string> operands_;
    std::optional<std::string> refused_;
};

// Thrown by a command's validator with the problem in the tool's words: CLI11 would otherwise
// wrap it in a message of its own.
struct Refusal
{
    std::string problem;
};

class Command
{
public:
    explicit Command(const CommandHelp& help) : help_(help) {}
    virtual ~Command() = default;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    const CommandHelp& help() const { return help_; }
    std::vector<std::string> words() const;
    // "<problem>; uso: NAME ARGUMENTS".
    UsageError wrong(std::string_view problem) const;

    // Declares the command's options on its own subcommand; its operands are the command
    // line's, which takes them also after "--". Repeats are kept, for the command to refuse
    // with its own message.
    virtual void declare(CLI::App& command) const;
    virtual std::variant<Request, UsageError> request(const Reading& reading) const = 0;
    virtual bool needsProgramFolder() const { return true; }
    virtual int run(const Context& context, const Request& request) const = 0;

protected:
    // An option that takes one value every time it is given.
    static CLI::Option* addValueOption(CLI::App& command, const std::string& name);
    // A flag that takes no value, not even "=yes".
    static CLI::Option* addFlag(CLI::App& command, const std::string& name);

private:
    CommandHelp help_;
};

// A command whose whole request is made of its one operand (a file's name): `make` builds the
// request, `work` carries it out.
template <typename Wanted> class OneOperandCommand final : public Command
{
public:
    using Make = std::function<Wanted(std::string)>;
    using Work = int (*)(const Context&, const Wanted&);

    OneOperandCommand(const CommandHelp& help, Make make, Work work)
        : Command(help), make_(std::move(make)), work_(work)
    {
    }

    std::variant<Request, UsageError> request(const Reading& reading) const override
    {
        if (reading.operands().size() != 1) {
            return wrong("argomenti errati per " + std::string(help().name));
        }
        return make_(reading.operands().front());
    }

    int run(const Context& context, const Request& request) const override
    {
        return work_(context, std::get<Wanted>(request));
    }

private:
    Make make_;
    Work work_;
};

// Every command, in the order of the tool's help.
std::span<const Command* const> commands();

// What --help asks for, wherever it is given.
const Command& helpCommand();

// The pieces of `text` between separators: a command's words, or a text's lines.
std::vector<std::string> splitWords(std::string_view text, char separator = ' ');

// The problem, the synopsis and where to find the commands, on standard error; exit 2.
int wrongUsage(std::string_view problem);

// A failed write to standard output (a full disk behind a redirection) must not pass for a
// complete listing. Work already done stays done, so it is then told on standard error
// (`whatWasDone`, lines without a final line break): a script that retried a command it believed
// undone would encrypt a file back, or add a card twice.
int finishOutput(std::string_view whatWasDone = {});

int archiveFailure(const ArchiveError& error);

// "l'archivio è vuoto", "l'archivio contiene 1 scheda", "... 2 schede".
std::string cardCount(std::uint64_t count);

// Archive texts go out one to a line: trimmed, in UTF-8, and with any control character inside
// (only a damaged record holds one) made a blank, so that a line break never splits a card.
std::string shownText(std::string_view cp1252);

} // namespace velarium::cli
