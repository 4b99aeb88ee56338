#include "cli/CommandLine.h"

#include "cli/Command.h"
#include "platform/Utf8Path.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace velarium::cli {
namespace {

bool looksLikeOption(std::string_view word)
{
    // "-3" is a (wrong) card number, not an option.
    return word.size() > 1 && word[0] == '-' && !std::isdigit(static_cast<unsigned char>(word[1]));
}

constexpr const char* kOperands = "OPERANDS";

// CLI11 sorts the words into commands, options and operands, each command declaring its own
// options; the command then says in the tool's words what is wrong with them.
class CommandLine
{
public:
    CommandLine();

    std::variant<Invocation, UsageError> parse(std::span<const std::string_view> arguments);

private:
    struct Declared
    {
        CLI::App* app;
        // None for a word that only opens longer commands ("cards").
        const Command* command;
    };

    CLI::App* declare(const Command& command);
    // The innermost command CLI11 has seen, or the tool itself.
    CLI::App* innermost();
    const Command* commandOf(const CLI::App* app) const;
    CLI::App* appOf(const Command& command) const;
    std::string nameOf(const CLI::App* app) const;

    std::variant<Invocation, UsageError> help();
    std::optional<UsageError> leftOver(CLI::App* app) const;
    UsageError translate(const CLI::ParseError& error, std::string_view lastRead);
    UsageError unknownCommand(const std::string& word) const;
    std::variant<Invocation, UsageError> request(const Command& command,
                                                 std::vector<std::string> operands,
                                                 std::optional<std::string> refused);

    CLI::App app_{"", "velarium-cli"};
    std::string folder_;
    std::vector<std::string> operands_;
    std::vector<Declared> declared_;
};

CommandLine::CommandLine()
{
    app_.add_option("--folder", folder_)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    for (const Command* command : commands()) {
        CLI::App* const app = declare(*command);
        command->declare(*app);
        app->add_option(kOperands, operands_);
    }
    // A command name after a command is an operand of it ("help cards add"); unknown words
    // before the command are kept, to be told apart below.
    app_.require_subcommand(0, 1);
    app_.allow_extras();
}

CLI::App* CommandLine::declare(const Command& command)
{
    CLI::App* parent = &app_;
    for (const std::string& word : command.words()) {
        const std::vector<CLI::App*> named =
            parent->get_subcommands([&](CLI::App* sub) { return sub->get_name() == word; });
        CLI::App* existing = named.empty() ? nullptr : named.front();
        if (existing == nullptr) {
            existing = parent->add_subcommand(word);
            existing->require_subcommand(0, 1);
            declared_.push_back({existing, nullptr});
        }
        parent = existing;
    }
    declared_.back().command = &command;
    return parent;
}

CLI::App* CommandLine::innermost()
{
    CLI::App* app = &app_;
    for (auto chosen = app->get_subcommands(); !chosen.empty(); chosen = app->get_subcommands()) {
        app = chosen.front();
    }
    return app;
}

const Command* CommandLine::commandOf(const CLI::App* app) const
{
    const auto found = std::find_if(declared_.begin(), declared_.end(),
                                    [&](const Declared& declared) { return declared.app == app; });
    return found == declared_.end() ? nullptr : found->command;
}

CLI::App* CommandLine::appOf(const Command& command) const
{
    const auto found =
        std::find_if(declared_.begin(), declared_.end(),
                     [&](const Declared& declared) { return declared.command == &command; });
    return found->app;
}

std::string CommandLine::nameOf(const CLI::App* app) const
{
    std::string name;
    for (; app != nullptr && app != &app_; app = app->get_parent()) {
        name = app->get_name() + (name.empty() ? "" : " ") + name;
    }
    return name;
}

// A word that only opens longer commands ("cards") gets the list of those.
UsageError CommandLine::unknownCommand(const std::string& word) const
{
    std::string completions;
    for (const Command* command : commands()) {
        const std::string_view name = command->help().name;
        if (name.starts_with(word + ' ')) {
            completions += (completions.empty() ? "" : ", ") + std::string(name);
        }
    }
    if (completions.empty()) {
        return UsageError{"comando sconosciuto: " + word};
    }
    return UsageError{"comando incompleto: " + word + " (" + completions + ")"};
}

std::variant<Invocation, UsageError> CommandLine::help()
{
    CLI::App* const app = innermost();
    if (app == &app_ && !app_.remaining().empty()) {
        const std::string first = app_.remaining().front();
        if (looksLikeOption(first)) {
            return UsageError{"opzione sconosciuta: " + first};
        }
        return Invocation{std::nullopt, HelpRequest{{first}}, &helpCommand()};
    }
    // "--help" before the command is the tool's own.
    const bool toolsHelp = app_.get_help_ptr()->count() > 0;
    return Invocation{std::nullopt,
                      HelpRequest{toolsHelp ? std::vector<std::string>() : splitWords(nameOf(app))},
                      &helpCommand()};
}

// The first word a command was given that it has no use for.
std::optional<UsageError> CommandLine::leftOver(CLI::App* app) const
{
    if (app == &app_ || app->remaining().empty()) {
        return std::nullopt;
    }
    const std::string name = nameOf(app);
    const std::string extra = app->remaining().front();
    const std::string problem =
        (looksLikeOption(extra) ? "opzione sconosciuta per " : "argomento inatteso per ") + name +
        ": " + extra;
    if (const Command* command = commandOf(app)) {
        return command->wrong(problem);
    }
    return UsageError{problem + "; uso: " + name};
}

// `lastRead` is the word CLI11 took last: an option that then lacked its value, or a flag
// given one.
UsageError CommandLine::translate(const CLI::ParseError& error, std::string_view lastRead)
{
    CLI::App* const app = innermost();
    const std::string name = nameOf(app);
    const Command* const command = commandOf(app);
    if (app != &app_ && command == nullptr) {
        return unknownCommand(name);
    }
    // The tool itself keeps its extras (they are told apart after the reading), so only a
    // command raises this.
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        if (auto extra = leftOver(app)) {
            return *extra;
        }
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        std::string_view named = lastRead.substr(0, lastRead.find('='));
        named.remove_prefix(std::min(named.find_first_not_of('-'), named.size()));
        for (const CLI::Option* option : app->get_options()) {
            if (named.empty() || option->get_positional() ||
                !option->check_lname(std::string(named))) {
                continue;
            }
            const std::string optionName = "--" + std::string(named);
            if (app == &app_) {
                return UsageError{"manca la cartella dopo " + optionName};
            }
            if (option->get_expected_max() == 0) {
                return command->wrong("l'opzione " + optionName + " non prende valori");
            }
            return command->wrong("manca il valore dopo " + optionName);
        }
    }
    if (app == &app_) {
        return UsageError{"argomenti errati"};
    }
    return command->wrong("argomenti errati per " + name);
}

std::variant<Invocation, UsageError> CommandLine::parse(std::span<const std::string_view> arguments)
{
    // From the first "--" on nothing is an option, whatever it looks like, so that a file may be
    // named "-x"; CLI11 would hand what follows it back to the tool once the command has all
    // the operands it needs, so the operands are kept apart from the start.
    const auto end = std::find(arguments.begin(), arguments.end(), std::string_view("--"));
    std::vector<std::string> operands;
    if (end != arguments.end()) {
        operands.assign(end + 1, arguments.end());
    }
    // CLI11 reads "--folder=" as an option still waiting for its value and gives it the next
    // word, so that the command's name goes missing and the message blames the wrong word.
    for (auto word = arguments.begin(); word != end; ++word) {
        if (word->starts_with("--") && word->size() > 3 && word->find('=') == word->size() - 1) {
            const std::string option(word->substr(0, word->size() - 1));
            return UsageError{
                (option == "--folder" ? "manca la cartella dopo " : "manca il valore dopo ") +
                option};
        }
    }
    // CLI11 takes the words last first, and leaves there those it has not read.
    std::vector<std::string> unread(std::make_reverse_iterator(end), arguments.rend());
    std::optional<std::string> refused;
    try {
        app_.parse(unread);
    } catch (const CLI::CallForHelp&) {
        return help();
    } catch (const Refusal& refusal) {
        // CLI11 validates before it looks for --help or for words left over, which the tool
        // tells first.
        CLI::App* app = innermost();
        for (const CLI::App* asked = app; asked != nullptr; asked = asked->get_parent()) {
            if (asked->get_help_ptr()->count() > 0) {
                return help();
            }
        }
        if (auto extra = leftOver(app)) {
            return *extra;
        }
        refused = refusal.problem;
    } catch (const CLI::ParseError& error) {
        const auto read = static_cast<std::size_t>(end - arguments.begin()) - unread.size();
        return translate(error, read == 0 ? std::string_view() : arguments[read - 1]);
    }
    CLI::App* app = innermost();
    if (!app_.remaining().empty()) {
        const std::string first = app_.remaining().front();
        if (looksLikeOption(first)) {
            return UsageError{"opzione sconosciuta: " + first};
        }
        return unknownCommand(first);
    }
    const Command* command = commandOf(app);
    if (app == &app_) {
        // A "--" before the command ends the options of both: the command's words open the
        // operands, the longest name winning.
        std::size_t nameWords = 0;
        for (const Command* candidate : commands()) {
            const std::vector<std::string> name = candidate->words();
            if (name.size() > nameWords && name.size() <= operands.size() &&
                std::equal(name.begin(), name.end(), operands.begin())) {
                command = candidate;
                nameWords = name.size();
            }
        }
        if (operands.empty()) {
            return UsageError{"manca il comando"};
        }
        if (command == nullptr) {
            return unknownCommand(operands.front());
        }
        operands.erase(operands.begin(), operands.begin() + static_cast<std::ptrdiff_t>(nameWords));
    } else if (command == nullptr) {
        return unknownCommand(nameOf(app));
    }
    return request(*command, std::move(operands), std::move(refused));
}

std::variant<Invocation, UsageError> CommandLine::request(const Command& command,
                                                          std::vector<std::string> operands,
                                                          std::optional<std::string> refused)
{
    const std::vector<std::string>& folders = app_.get_option("--folder")->results();
    if (!folders.empty() && folders.back().empty()) {
        return UsageError{"manca la cartella dopo --folder"};
    }
    const CLI::App& app = *appOf(command);
    std::vector<std::string> all = app.get_option(kOperands)->results();
    all.insert(all.end(), operands.begin(), operands.end());
    auto made = command.request(Reading(app, std::move(all), std::move(refused)));
    if (auto* wrong = std::get_if<UsageError>(&made)) {
        return std::move(*wrong);
    }
    return Invocation{folders.empty() ? std::nullopt : std::optional(pathFromUtf8(folders.back())),
                      std::move(std::get<Request>(made)), &command};
}

} // namespace

std::variant<Invocation, UsageError> parseCommandLine(std::span<const std::string_view> arguments)
{
    // CLI11 keeps what it has read in the objects it fills: a fresh set for every reading.
    CommandLine commandLine;
    return commandLine.parse(arguments);
}

} // namespace velarium::cli
