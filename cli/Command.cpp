#include "cli/Command.h"

#include <CLI/CLI.hpp>
#include <array>

namespace velarium::cli {

// Each defined in the command's own file.
const Command& encryptCommand();
const Command& decryptCommand();
const Command& cardsListCommand();
const Command& cardsShowCommand();
const Command& cardsAddCommand();
const Command& exportXlsxCommand();
const Command& exportDocxCommand();
const Command& exportCsvCommand();
const Command& backupCommand();
const Command& restoreCommand();

std::span<const Command* const> commands()
{
    static const std::array list{
        &helpCommand(),      &encryptCommand(),  &decryptCommand(),    &cardsListCommand(),
        &cardsShowCommand(), &cardsAddCommand(), &exportXlsxCommand(), &exportDocxCommand(),
        &exportCsvCommand(), &backupCommand(),   &restoreCommand(),
    };
    return list;
}

Reading::Reading(const CLI::App& words, std::vector<std::string> operands,
                 std::optional<std::string> refused)
    : words_(words), operands_(std::move(operands)), refused_(std::move(refused))
{
}

std::size_t Reading::count(const std::string& option) const
{
    return words_.count(option);
}

const std::vector<std::string>& Reading::values(const std::string& option) const
{
    return words_.get_option(option)->results();
}

std::vector<std::string> Command::words() const
{
    return splitWords(help_.name);
}

UsageError Command::wrong(std::string_view problem) const
{
    std::string usage = std::string(problem) + "; uso: " + std::string(help_.name);
    if (!help_.arguments.empty()) {
        usage += ' ' + std::string(help_.arguments);
    }
    return UsageError{std::move(usage)};
}

void Command::declare(CLI::App& /*command*/) const {}

CLI::Option* Command::addValueOption(CLI::App& command, const std::string& name)
{
    // Each time it is given, the next word is its value, whatever it looks like.
    return command
        .add_option_function<std::vector<std::string>>(name, [](const std::vector<std::string>&) {})
        ->allow_extra_args(false);
}

CLI::Option* Command::addFlag(CLI::App& command, const std::string& name)
{
    return command.add_flag(name)->disable_flag_override();
}

std::vector<std::string> splitWords(std::string_view text, char separator)
{
    std::vector<std::string> result;
    while (!text.empty()) {
        const auto space = text.find(separator);
        result.emplace_back(text.substr(0, space));
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    return result;
}

} // namespace velarium::cli
