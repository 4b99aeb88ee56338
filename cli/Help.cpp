// help: the tool's help and every command's own page, from what each command says of itself.

#include "cli/Command.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <string>
#include <vector>

namespace velarium::cli {
namespace {

// Help itself has no page: its summary is empty.
bool documented(const Command& command)
{
    return !command.help().summary.empty();
}

void printCommandHelp(std::ostream& out, const CommandHelp& command)
{
    std::string summary(command.summary);
    summary.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(summary.front())));
    out << "Uso: velarium-cli [--folder CARTELLA] " << command.name << ' ' << command.arguments
        << "\n\n"
        << summary << ".\n"
        << command.details << "\nEsempi:\n";
    for (const std::string& line : splitWords(command.examples, '\n')) {
        out << "  " << line << '\n';
    }
}

void printUsage(std::ostream& out)
{
    out << kSynopsis << "\nComandi:\n";
    // A head too long for the column puts its summary on the next line.
    constexpr std::size_t kWidth = 27;
    for (const Command* command : commands()) {
        if (!documented(*command)) {
            continue;
        }
        const CommandHelp& help = command->help();
        const std::string head = std::string(help.name) + ' ' + std::string(help.arguments);
        out << "  " << head
            << (head.size() <= kWidth ? std::string(kWidth - head.size() + 2, ' ')
                                      : '\n' + std::string(kWidth + 4, ' '))
            << help.summary << '\n';
    }
    out << "\nOpzioni:\n"
           "  --folder CARTELLA  cartella del programma (predefinita: quella dell'eseguibile),\n"
           "                     dove stanno l'archivio Velarium.pro e i file temporanei\n"
           "  --help             mostra questo aiuto\n"
           "  --                 fine delle opzioni: quel che segue, anche se comincia con\n"
           "                     un trattino, è un argomento (un file chiamato -x)\n"
           "\nAiuto su un comando: velarium-cli help COMANDO, oppure velarium-cli COMANDO --help\n"
           "(per esempio: velarium-cli help cards add).\n"
           "\nEsempi:\n"
           "  printf '%s\\n' 'la mia password' | velarium-cli encrypt documento.pdf\n"
           "  velarium-cli --folder /opt/Velarium cards list fattura\n"
           "\nUscita: 0 riuscito, 1 non riuscito, 2 uso errato; i messaggi vanno sullo\n"
           "standard error.\n";
}

// The page of every command whose name opens with `topic` ("cards" gives all the card
// commands), or the whole tool's when there is no topic; false when no command has that name.
bool printHelp(std::ostream& out, std::span<const std::string> topic)
{
    if (topic.empty()) {
        printUsage(out);
        return true;
    }
    bool found = false;
    for (const Command* command : commands()) {
        const auto name = command->words();
        if (documented(*command) && topic.size() <= name.size() &&
            std::equal(topic.begin(), topic.end(), name.begin())) {
            out << (found ? "\n" : "");
            printCommandHelp(out, command->help());
            found = true;
        }
    }
    if (found) {
        out << "\nUscita: 0 riuscito, 1 non riuscito, 2 uso errato.\n";
    }
    return found;
}

class HelpCommand final : public Command
{
public:
    using Command::Command;

    std::variant<Request, UsageError> request(const Reading& reading) const override
    {
        return HelpRequest{reading.operands()};
    }

    bool needsProgramFolder() const override { return false; }

    int run(const Context& /*context*/, const Request& request) const override
    {
        const std::vector<std::string>& topic = std::get<HelpRequest>(request).topic;
        if (!printHelp(std::cout, topic)) {
            std::string asked;
            for (const std::string& word : topic) {
                asked += (asked.empty() ? "" : " ") + word;
            }
            return wrongUsage("nessun comando " + asked);
        }
        return finishOutput();
    }
};

} // namespace

const Command& helpCommand()
{
    static const HelpCommand command(
        {.name = "help", .arguments = {}, .summary = {}, .details = {}, .examples = {}});
    return command;
}

} // namespace velarium::cli
