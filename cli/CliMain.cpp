// velarium-cli: the program's file commands, for scripts and for a terminal.

#include "app/Text.h"
#include "archive/ArchiveBackup.h"
#include "archive/CardArchive.h"
#include "archive/CardSearch.h"
#include "archive/ExportTable.h"
#include "cli/PasswordInput.h"
#include "main/InPlaceCipher.h"
#include "platform/Error.h"
#include "platform/OfficeFiles.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using velarium::CipherDirection;

// Scripts tell a refused request from a failed one by these.
constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kWrongUsage = 2;

struct Context
{
    fs::path programFolder;
};

using Arguments = std::span<const std::string_view>;

struct Command
{
    // One or more words, separated by single spaces ("cards list").
    std::string_view name;
    std::string_view arguments;
    std::string_view summary;
    std::size_t minArguments;
    std::size_t maxArguments;
    int (*run)(const Context&, Arguments);
    // What is wrong with arguments whose count is right, or nothing; checked before anything
    // is touched, so that wrong usage always means exit 2 and no effect.
    std::optional<std::string> (*usageProblem)(Arguments) = nullptr;
};

const char* const kSynopsis = "Uso: velarium-cli [--folder CARTELLA] COMANDO [ARGOMENTI]\n";

int wrongUsage(std::string_view problem)
{
    std::cerr << "velarium-cli: " << problem << '\n'
              << kSynopsis << "L'elenco dei comandi: velarium-cli --help\n";
    return kWrongUsage;
}

int runCipher(const Context& context, std::string_view file, CipherDirection direction)
{
    const bool encrypt = direction == CipherDirection::Encrypt;
    // Asked before touching anything: a refused password leaves no trace in either folder.
    const velarium::cli::Secret password = velarium::cli::readCipherPassword(STDIN_FILENO);
    try {
        velarium::InPlaceCipher cipher(context.programFolder, fs::path(file), direction);
        cipher.writeProcessedCopy(password.view());
        cipher.replaceChosenFile();
    } catch (const std::exception& e) {
        std::cerr << "Attenzione: il sistema non consente di "
                  << (encrypt ? "criptare" : "decriptare") << " il file selezionato.\n"
                  << e.what() << '\n';
        return kFailure;
    }
    std::cout << (encrypt ? "File criptato: " : "File decriptato: ") << file << '\n';
    return kSuccess;
}

int runEncrypt(const Context& context, Arguments arguments)
{
    return runCipher(context, arguments[0], CipherDirection::Encrypt);
}

int runDecrypt(const Context& context, Arguments arguments)
{
    return runCipher(context, arguments[0], CipherDirection::Decrypt);
}

// Archive texts go out one to a line: trimmed, in UTF-8, and with any control character inside
// (only a damaged record holds one) made a blank, so that a line break never splits a card.
std::string shownText(std::string_view cp1252)
{
    std::string text = velarium::cp1252ToUtf8(velarium::trimmed(cp1252));
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    return text;
}

int archiveFailure(const velarium::ArchiveError& error)
{
    std::cerr << "Attenzione: il sistema non permette di accedere all'archivio.\n"
              << error.what() << '\n';
    return kFailure;
}

// A failed write to standard output (a full disk behind a redirection) must not pass for a
// complete listing.
int finishOutput()
{
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "Attenzione: impossibile scrivere sullo standard output.\n";
        return kFailure;
    }
    return kSuccess;
}

std::string cardCount(std::uint64_t count)
{
    if (count == 0) {
        return "l'archivio è vuoto";
    }
    return "l'archivio contiene " + std::to_string(count) + (count == 1 ? " scheda" : " schede");
}

int runCardsList(const Context& context, Arguments arguments)
{
    std::string criteria;
    if (!arguments.empty()) {
        std::optional<std::string> converted = velarium::utf8ToCp1252(arguments[0]);
        if (!converted) {
            std::cerr << "Attenzione: il testo da cercare non è UTF-8 valido o contiene caratteri "
                         "estranei alla codifica dell'archivio (Windows-1252).\n";
            return kFailure;
        }
        criteria = std::move(*converted);
    }
    // Lines are gathered into large blocks: a hundred thousand cards must list in a blink.
    constexpr std::size_t kBlock = 64 * 1024;
    std::string block;
    block.reserve(kBlock + 1024);
    try {
        velarium::CardArchive archive(context.programFolder);
        archive.Open();
        // Cards appended while listing are not waited for; the ones counted here are all read.
        const std::uint64_t count = archive.Count();
        for (std::uint64_t number = 1; number <= count; ++number) {
            const velarium::FileCard card = archive.Read();
            if (!velarium::cardListed(card.Description, criteria)) {
                continue;
            }
            block += std::to_string(number);
            block += '\t';
            block += shownText(card.Description);
            block += '\n';
            if (block.size() >= kBlock) {
                std::cout.write(block.data(), static_cast<std::streamsize>(block.size()));
                block.clear();
            }
        }
        archive.Close();
    } catch (const velarium::ArchiveError& error) {
        // What was listed stays listed: it is correct as far as it goes.
        std::cout.write(block.data(), static_cast<std::streamsize>(block.size()));
        std::cout.flush();
        return archiveFailure(error);
    }
    std::cout.write(block.data(), static_cast<std::streamsize>(block.size()));
    return finishOutput();
}

constexpr std::string_view kShowUsage = "uso: cards show N [--passwords]";

bool isOption(std::string_view argument)
{
    // "-3" is a (wrong) card number, not an option.
    return argument.size() > 1 && argument[0] == '-' &&
           !std::isdigit(static_cast<unsigned char>(argument[1]));
}

std::optional<std::string> cardsShowUsageProblem(Arguments arguments)
{
    std::size_t numbers = 0;
    for (const std::string_view argument : arguments) {
        if (!isOption(argument)) {
            ++numbers;
        } else if (argument != "--passwords") {
            return "opzione sconosciuta per cards show: " + std::string(argument) + "; " +
                   std::string(kShowUsage);
        }
    }
    if (numbers != 1) {
        return std::string(numbers == 0 ? "manca il numero della scheda; "
                                        : "un solo numero di scheda; ") +
               std::string(kShowUsage);
    }
    return std::nullopt;
}

int runCardsShow(const Context& context, Arguments arguments)
{
    bool passwords = false;
    std::string_view numberText;
    for (const std::string_view argument : arguments) {
        if (isOption(argument)) {
            passwords = true;
        } else {
            numberText = argument;
        }
    }
    const bool digitsOnly =
        !numberText.empty() && std::all_of(numberText.begin(), numberText.end(),
                                           [](char c) { return c >= '0' && c <= '9'; });
    if (!digitsOnly) {
        std::cerr << "Numero di scheda non valido: \"" << numberText
                  << "\" (le schede si contano da 1).\n";
        return kFailure;
    }
    // Too many digits for any counter is simply a card beyond the last one.
    std::uint64_t number = UINT64_MAX;
    std::from_chars(numberText.data(), numberText.data() + numberText.size(), number);
    if (number == 0) {
        std::cerr << "Scheda 0 inesistente: le schede si contano da 1.\n";
        return kFailure;
    }
    velarium::FileCard card;
    try {
        velarium::CardArchive archive(context.programFolder);
        archive.Open();
        const std::uint64_t count = archive.Count();
        if (number > count) {
            std::cerr << "Scheda " << numberText << " inesistente: " << cardCount(count) << ".\n";
            return kFailure;
        }
        // One record read, wherever the card lies in the archive.
        archive.Seek(number - 1);
        card = archive.Read();
        archive.Close();
    } catch (const velarium::ArchiveError& error) {
        return archiveFailure(error);
    }
    std::cout << shownText(card.FilePath) << '\n' << shownText(card.Description) << '\n';
    if (passwords) {
        std::cout << shownText(card.FilePassword) << '\n' << shownText(card.Confirmation) << '\n';
    }
    return finishOutput();
}

int runBackup(const Context& context, Arguments arguments)
{
    const fs::path destination = velarium::withBackupExtension(fs::path(arguments[0]));
    try {
        velarium::backupArchive(context.programFolder, destination);
    } catch (const std::exception& e) {
        std::cerr << "Attenzione: il sistema non consente di salvare il file nella posizione "
                     "specificata. Creazione backup archivio non riuscita.\n"
                  << e.what() << '\n';
        return kFailure;
    }
    std::cout << "Backup dell'archivio creato: " << destination.string() << '\n';
    return finishOutput();
}

int runRestore(const Context& context, Arguments arguments)
{
    try {
        velarium::restoreArchive(context.programFolder, fs::path(arguments[0]));
    } catch (const std::exception& e) {
        std::cerr << "Attenzione: il sistema non consente di sovrascrivere l'archivio corrente. "
                     "Ripristino archivio file criptati non riuscito.\n"
                  << e.what() << '\n';
        return kFailure;
    }
    std::cout << "Archivio ripristinato da: " << arguments[0] << '\n';
    return finishOutput();
}

enum class ExportFormat
{
    Xlsx,
    Docx,
    Csv,
};

// The same table and the same calls as the export window, so that a file made here and one
// made there are alike; only nothing is opened afterwards.
int runExport(const Context& context, std::string_view file, ExportFormat format)
{
    velarium::TextTable table;
    try {
        velarium::CardArchive archive(context.programFolder);
        archive.Open();
        table = velarium::exportTable(archive);
        archive.Close();
    } catch (const velarium::ArchiveError& error) {
        return archiveFailure(error);
    }
    const fs::path target{std::string(file)};
    try {
        switch (format) {
        case ExportFormat::Xlsx:
            velarium::exportToExcel(*velarium::platform::makeXlsxWriter(target, nullptr), table);
            break;
        case ExportFormat::Docx:
            velarium::exportToWord(*velarium::platform::makeDocxWriter(target, nullptr), table);
            break;
        case ExportFormat::Csv:
            velarium::platform::writeCsv(target, table);
            break;
        }
    } catch (const std::exception& e) {
        std::cerr << "Attenzione: il sistema non consente di esportare l'archivio nel file "
                     "specificato.\n"
                  << e.what() << '\n';
        return kFailure;
    }
    std::cout << "Archivio esportato: " << file << " (" << cardCount(table.size() - 1) << ")\n";
    return finishOutput();
}

int runExportXlsx(const Context& context, Arguments arguments)
{
    return runExport(context, arguments[0], ExportFormat::Xlsx);
}

int runExportDocx(const Context& context, Arguments arguments)
{
    return runExport(context, arguments[0], ExportFormat::Docx);
}

int runExportCsv(const Context& context, Arguments arguments)
{
    return runExport(context, arguments[0], ExportFormat::Csv);
}

constexpr std::array kCommands{
    Command{"encrypt", "FILE", "cripta FILE sul posto", 1, 1, &runEncrypt},
    Command{"decrypt", "FILE", "decripta FILE sul posto", 1, 1, &runDecrypt},
    Command{"cards list", "[TESTO]", "elenca le schede: numero, TAB, descrizione", 0, 1,
            &runCardsList},
    Command{"cards show", "N [--passwords]", "mostra percorso e descrizione della scheda N", 1, 2,
            &runCardsShow, &cardsShowUsageProblem},
    Command{"export xlsx", "FILE", "esporta l'archivio in FILE, cartella di lavoro di Excel", 1, 1,
            &runExportXlsx},
    Command{"export docx", "FILE", "esporta l'archivio in FILE, documento di Word", 1, 1,
            &runExportDocx},
    Command{"export csv", "FILE", "esporta l'archivio in FILE, valori separati da virgole", 1, 1,
            &runExportCsv},
    Command{"backup", "DEST", "copia l'archivio nel file di backup DEST", 1, 1, &runBackup},
    Command{"restore", "SRC", "sostituisce l'archivio con il file di backup SRC", 1, 1,
            &runRestore},
};

std::vector<std::string_view> words(std::string_view text)
{
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const auto space = text.find(' ');
        result.push_back(text.substr(0, space));
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    return result;
}

// The command whose words open `arguments`; the longest wins, so that "cards" and
// "cards list" could both exist.
const Command* findCommand(Arguments arguments, std::size_t& wordCount)
{
    const Command* found = nullptr;
    wordCount = 0;
    for (const Command& command : kCommands) {
        const auto name = words(command.name);
        if (name.size() > wordCount && name.size() <= arguments.size() &&
            std::equal(name.begin(), name.end(), arguments.begin())) {
            found = &command;
            wordCount = name.size();
        }
    }
    return found;
}

void printUsage(std::ostream& out)
{
    out << kSynopsis << "\nComandi:\n";
    std::size_t width = 0;
    for (const Command& command : kCommands) {
        width = std::max(width, command.name.size() + 1 + command.arguments.size());
    }
    for (const Command& command : kCommands) {
        const std::string head = std::string(command.name) + ' ' + std::string(command.arguments);
        out << "  " << head << std::string(width - head.size() + 3, ' ') << command.summary << '\n';
    }
    out << "\nOpzioni:\n"
           "  --folder CARTELLA  cartella del programma (predefinita: quella dell'eseguibile)\n"
           "  --help             mostra questo aiuto\n"
           "\nencrypt e decrypt: la password è la prima riga dello standard input; da un\n"
           "terminale viene chiesta due volte senza mostrarla.\n"
           "cards: le schede dell'archivio Velarium.pro, numerate da 1. Con TESTO, cards list\n"
           "mostra solo le schede la cui descrizione contiene TESTO così com'è, spazi compresi;\n"
           "maiuscole e minuscole si equivalgono solo per le lettere A-Z. cards show --passwords\n"
           "aggiunge password e conferma.\n"
           "export: numero, descrizione, password e percorso di ogni scheda, sotto una riga di\n"
           "titoli; FILE, se esiste già, viene sostituito. Il CSV è in UTF-8.\n"
           "backup: al nome DEST si aggiunge .bka se non termina già con .bka (minuscolo).\n"
           "restore: il contenuto di SRC diventa l'archivio così com'è, senza domande.\n"
           "\nUscita: 0 riuscito, 1 non riuscito, 2 uso errato.\n";
}

// A first word that only opens longer commands ("cards") gets the list of those.
std::string unknownCommand(std::string_view word)
{
    std::string completions;
    for (const Command& command : kCommands) {
        if (words(command.name).front() == word && command.name != word) {
            completions += (completions.empty() ? "" : ", ") + std::string(command.name);
        }
    }
    if (completions.empty()) {
        return "comando sconosciuto: " + std::string(word);
    }
    return "comando incompleto: " + std::string(word) + " (" + completions + ")";
}

// The program folder holds the program's own files, beside the executable unless told otherwise.
std::optional<fs::path> executableFolder()
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    return executable.parent_path();
}

int run(Arguments arguments)
{
    std::optional<fs::path> folder;
    std::size_t at = 0;
    for (; at < arguments.size() && arguments[at].starts_with("-"); ++at) {
        const std::string_view option = arguments[at];
        if (option == "--help" || option == "-h") {
            printUsage(std::cout);
            return kSuccess;
        }
        if (option == "--folder") {
            if (at + 1 == arguments.size()) {
                return wrongUsage("manca la cartella dopo --folder");
            }
            folder = fs::path(arguments[++at]);
        } else if (option.starts_with("--folder=")) {
            folder = fs::path(option.substr(std::string_view("--folder=").size()));
        } else {
            return wrongUsage("opzione sconosciuta: " + std::string(option));
        }
    }
    const Arguments rest = arguments.subspan(at);
    if (rest.empty()) {
        return wrongUsage("manca il comando");
    }
    std::size_t nameWords = 0;
    const Command* command = findCommand(rest, nameWords);
    if (command == nullptr) {
        return wrongUsage(unknownCommand(rest.front()));
    }
    const Arguments commandArguments = rest.subspan(nameWords);
    if (commandArguments.size() < command->minArguments ||
        commandArguments.size() > command->maxArguments) {
        return wrongUsage("argomenti errati per " + std::string(command->name) + "; uso: " +
                          std::string(command->name) + ' ' + std::string(command->arguments));
    }
    if (command->usageProblem != nullptr) {
        if (const std::optional<std::string> problem = command->usageProblem(commandArguments)) {
            return wrongUsage(*problem);
        }
    }

    if (!folder) {
        folder = executableFolder();
        if (!folder) {
            std::cerr << "Attenzione: impossibile determinare la cartella del programma; "
                         "indicarla con --folder.\n";
            return kFailure;
        }
    }
    std::error_code error;
    if (!fs::is_directory(*folder, error)) {
        std::cerr << "Attenzione: la cartella del programma non esiste: " << folder->string()
                  << '\n';
        return kFailure;
    }
    return command->run(Context{*folder}, commandArguments);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        const std::vector<std::string_view> arguments(argv + std::min(argc, 1), argv + argc);
        return run(arguments);
    } catch (const velarium::cli::PasswordError& e) {
        std::cerr << e.what() << '\n';
    } catch (const std::exception& e) {
        std::cerr << "Attenzione: " << e.what() << '\n';
    }
    return kFailure;
}
