#include "cli/CommandLine.h"

#include "cli/Help.h"
#include "platform/Utf8Path.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string>
#include <vector>

namespace velarium::cli {
namespace {

enum class Kind
{
    Help,
    Encrypt,
    Decrypt,
    CardsList,
    CardsShow,
    CardsAdd,
    ExportXlsx,
    ExportDocx,
    ExportCsv,
    Backup,
    Restore,
};

struct Leaf
{
    // As in the help: one or more words, separated by single spaces.
    std::string_view name;
    Kind kind;
};

constexpr std::array kLeaves{
    Leaf{"help", Kind::Help},
    Leaf{"encrypt", Kind::Encrypt},
    Leaf{"decrypt", Kind::Decrypt},
    Leaf{"cards list", Kind::CardsList},
    Leaf{"cards show", Kind::CardsShow},
    Leaf{"cards add", Kind::CardsAdd},
    Leaf{"export xlsx", Kind::ExportXlsx},
    Leaf{"export docx", Kind::ExportDocx},
    Leaf{"export csv", Kind::ExportCsv},
    Leaf{"backup", Kind::Backup},
    Leaf{"restore", Kind::Restore},
};

bool looksLikeOption(std::string_view word)
{
    // "-3" is a (wrong) card number, not an option.
    return word.size() > 1 && word[0] == '-' && !std::isdigit(static_cast<unsigned char>(word[1]));
}

UsageError usage(std::string problem, std::string_view command)
{
    return UsageError{std::move(problem) + "; " + usageOf(command)};
}

// Every value as written: CLI11 sorts the words into commands, options and operands, and the
// checks below say in the tool's words what is wrong with them.
struct Written
{
    std::string folder;
    // The chosen command's operands, "--" and what follows it included.
    std::vector<std::string> operands;
    std::vector<std::string> keyBits;
    int force = 0;
    int quiet = 0;
    int passwords = 0;
    std::vector<std::string> file;
    std::vector<std::string> description;
};

class CommandLine
{
public:
    CommandLine();

    std::variant<Invocation, UsageError> parse(std::span<const std::string_view> arguments);

private:
    struct Declared
    {
        CLI::App* app;
        const Leaf* leaf;
    };

    CLI::App* declare(const Leaf& leaf);
    // The innermost command CLI11 has seen, or the tool itself.
    CLI::App* innermost();
    const Leaf* leafOf(const CLI::App* app) const;
    std::string nameOf(const CLI::App* app) const;

    UsageError translate(const CLI::ParseError& error);
    UsageError unknownCommand(const std::string& word) const;
    std::variant<Invocation, UsageError> request(const Leaf& leaf);

    CLI::App app_{"", "velarium-cli"};
    Written written_;
    std::vector<Declared> declared_;
};

CommandLine::CommandLine()
{
    app_.add_option("--folder", written_.folder)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    for (const Leaf& leaf : kLeaves) {
        CLI::App* const command = declare(leaf);
        // Repeats are counted here and refused below, with their own message.
        const auto one = [](CLI::Option* option) {
            option->allow_extra_args(false);
        };
        switch (leaf.kind) {
        case Kind::Encrypt:
        case Kind::Decrypt:
            one(command->add_option("--key-bits", written_.keyBits));
            command->add_flag("--force", written_.force)->disable_flag_override();
            command->add_flag("--quiet", written_.quiet)->disable_flag_override();
            break;
        case Kind::CardsShow:
            command->add_flag("--passwords", written_.passwords)->disable_flag_override();
            break;
        case Kind::CardsAdd:
            one(command->add_option("--file", written_.file));
            one(command->add_option("--description", written_.description));
            break;
        default:
            break;
        }
        command->add_option("OPERANDS", written_.operands);
    }
    // A command name after a command is an operand of it ("help cards add"); unknown words
    // before the command are kept, to be told apart below.
    app_.require_subcommand(0, 1);
    app_.allow_extras();
}

CLI::App* CommandLine::declare(const Leaf& leaf)
{
    CLI::App* parent = &app_;
    for (const std::string& word : splitWords(leaf.name)) {
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
    declared_.back().leaf = &leaf;
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

const Leaf* CommandLine::leafOf(const CLI::App* app) const
{
    const auto found = std::find_if(declared_.begin(), declared_.end(),
                                    [&](const Declared& declared) { return declared.app == app; });
    return found == declared_.end() ? nullptr : found->leaf;
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
    for (const Leaf& leaf : kLeaves) {
        if (leaf.name.starts_with(word + ' ')) {
            completions += (completions.empty() ? "" : ", ") + std::string(leaf.name);
        }
    }
    if (completions.empty()) {
        return UsageError{"comando sconosciuto: " + word};
    }
    return UsageError{"comando incompleto: " + word + " (" + completions + ")"};
}

UsageError CommandLine::translate(const CLI::ParseError& error)
{
    CLI::App* const app = innermost();
    const std::string name = nameOf(app);
    const Leaf* const leaf = leafOf(app);
    if (app != &app_ && leaf == nullptr) {
        return unknownCommand(name);
    }
    // The tool itself keeps its extras (they are told apart after the reading), so only a
    // command raises this.
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr && !app->remaining().empty()) {
        const std::string extra = app->remaining().front();
        return usage(
            (looksLikeOption(extra) ? "opzione sconosciuta per " : "argomento inatteso per ") +
                name + ": " + extra,
            name);
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        // CLI11 opens the message with the option's name, with or without its dashes.
        const std::string_view message = error.what();
        std::string_view named = message.substr(0, message.find_first_of(": "));
        named.remove_prefix(std::min(named.find_first_not_of('-'), named.size()));
        for (const CLI::Option* option : app->get_options()) {
            if (option->get_positional() || !option->check_lname(std::string(named))) {
                continue;
            }
            const std::string optionName = "--" + std::string(named);
            if (app == &app_) {
                return UsageError{"manca la cartella dopo " + optionName};
            }
            if (option->get_expected_max() == 0) {
                return usage("l'opzione " + optionName + " non prende valori", name);
            }
            return usage("manca il valore dopo " + optionName, name);
        }
    }
    if (app == &app_) {
        return UsageError{"argomenti errati"};
    }
    return usage("argomenti errati per " + name, name);
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
    // CLI11 takes the words last first.
    std::vector<std::string> options(std::make_reverse_iterator(end), arguments.rend());
    try {
        app_.parse(options);
    } catch (const CLI::CallForHelp&) {
        CLI::App* const app = innermost();
        // "--help" before the command is the tool's own.
        const bool toolsHelp = app_.get_help_ptr()->count() > 0;
        if (app == &app_ && !app_.remaining().empty()) {
            const std::string first = app_.remaining().front();
            if (looksLikeOption(first)) {
                return UsageError{"opzione sconosciuta: " + first};
            }
            return Invocation{std::nullopt, HelpRequest{{first}}};
        }
        return Invocation{std::nullopt, HelpRequest{toolsHelp ? std::vector<std::string>()
                                                              : splitWords(nameOf(app))}};
    } catch (const CLI::ParseError& error) {
        return translate(error);
    }
    CLI::App* app = innermost();
    if (!app_.remaining().empty()) {
        const std::string first = app_.remaining().front();
        if (looksLikeOption(first)) {
            return UsageError{"opzione sconosciuta: " + first};
        }
        return unknownCommand(first);
    }
    const Leaf* leaf = leafOf(app);
    if (app == &app_) {
        // A "--" before the command ends the options of both: the command's words open the
        // operands, the longest name winning.
        std::size_t nameWords = 0;
        for (const Leaf& candidate : kLeaves) {
            const std::vector<std::string> name = splitWords(candidate.name);
            if (name.size() > nameWords && name.size() <= operands.size() &&
                std::equal(name.begin(), name.end(), operands.begin())) {
                leaf = &candidate;
                nameWords = name.size();
            }
        }
        if (operands.empty()) {
            return UsageError{"manca il comando"};
        }
        if (leaf == nullptr) {
            return unknownCommand(operands.front());
        }
        operands.erase(operands.begin(), operands.begin() + static_cast<std::ptrdiff_t>(nameWords));
    } else if (leaf == nullptr) {
        return unknownCommand(nameOf(app));
    }
    written_.operands.insert(written_.operands.end(), operands.begin(), operands.end());
    return request(*leaf);
}

std::variant<Invocation, UsageError> CommandLine::request(const Leaf& leaf)
{
    const std::string_view name = leaf.name;
    const std::vector<std::string>& operands = written_.operands;
    const auto wrongCount = [&] {
        return usage("argomenti errati per " + std::string(name), name);
    };
    if (app_.count("--folder") > 0 && written_.folder.empty()) {
        return UsageError{"manca la cartella dopo --folder"};
    }
    Invocation invocation{app_.count("--folder") == 0
                              ? std::nullopt
                              : std::optional<std::filesystem::path>(pathFromUtf8(written_.folder)),
                          HelpRequest{}};
    switch (leaf.kind) {
    case Kind::Help:
        invocation.request = HelpRequest{operands};
        break;
    case Kind::Encrypt:
    case Kind::Decrypt: {
        CipherRequest cipher;
        cipher.direction =
            leaf.kind == Kind::Encrypt ? CipherDirection::Encrypt : CipherDirection::Decrypt;
        if (written_.keyBits.size() > 1) {
            return usage("opzione ripetuta: --key-bits", name);
        }
        if (!written_.keyBits.empty()) {
            const std::string& bits = written_.keyBits.front();
            if (bits == "40") {
                cipher.keySize = platform::KeySize::Bits40;
            } else if (bits != "128") {
                return usage("lunghezza della chiave non ammessa: " + bits + " (soltanto 40 o 128)",
                             name);
            }
        }
        if (operands.empty()) {
            return usage("manca il file", name);
        }
        cipher.files = operands;
        cipher.force = written_.force > 0;
        cipher.quiet = written_.quiet > 0;
        invocation.request = std::move(cipher);
        break;
    }
    case Kind::CardsList:
        if (operands.size() > 1) {
            return wrongCount();
        }
        invocation.request =
            ListRequest{operands.empty() ? std::nullopt : std::optional(operands.front())};
        break;
    case Kind::CardsShow: {
        if (written_.passwords > 1) {
            return usage("opzione ripetuta: --passwords", name);
        }
        if (operands.size() != 1) {
            return usage(operands.empty() ? "manca il numero della scheda"
                                          : "un solo numero di scheda",
                         name);
        }
        const std::string& number = operands.front();
        // Digits only: no sign, no blank, no decimal point, nothing after the number.
        if (number.empty() || !std::all_of(number.begin(), number.end(),
                                           [](char c) { return c >= '0' && c <= '9'; })) {
            return usage("numero di scheda non valido: \"" + number +
                             "\" (un numero intero, le schede si contano da 1)",
                         name);
        }
        ShowRequest show{UINT64_MAX, number, written_.passwords == 1};
        std::from_chars(number.data(), number.data() + number.size(), show.number);
        invocation.request = std::move(show);
        break;
    }
    case Kind::CardsAdd:
        if (!operands.empty()) {
            return usage("argomento inatteso per cards add: " + operands.front(), name);
        }
        for (const auto& [option, values] : {std::pair{"--file", &written_.file},
                                             std::pair{"--description", &written_.description}}) {
            if (values->size() > 1) {
                return usage(std::string("opzione ripetuta: ") + option, name);
            }
        }
        if (written_.file.empty() || written_.description.empty()) {
            return usage(written_.file.empty() ? "manca --file" : "manca --description", name);
        }
        invocation.request = AddRequest{written_.file.front(), written_.description.front()};
        break;
    case Kind::ExportXlsx:
    case Kind::ExportDocx:
    case Kind::ExportCsv:
        if (operands.size() != 1) {
            return wrongCount();
        }
        invocation.request = ExportRequest{leaf.kind == Kind::ExportXlsx   ? ExportFormat::Xlsx
                                           : leaf.kind == Kind::ExportDocx ? ExportFormat::Docx
                                                                           : ExportFormat::Csv,
                                           operands.front()};
        break;
    case Kind::Backup:
        if (operands.size() != 1) {
            return wrongCount();
        }
        invocation.request = BackupRequest{operands.front()};
        break;
    case Kind::Restore:
        if (operands.size() != 1) {
            return wrongCount();
        }
        invocation.request = RestoreRequest{operands.front()};
        break;
    }
    return invocation;
}

} // namespace

std::variant<Invocation, UsageError> parseCommandLine(std::span<const std::string_view> arguments)
{
    // CLI11 keeps what it has read in the objects it fills: a fresh set for every reading.
    CommandLine commandLine;
    return commandLine.parse(arguments);
}

} // namespace velarium::cli
