// velarium-cli: the program's file commands, for scripts and for a terminal.

#include "archive/ArchiveBackup.h"
#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "archive/CardSearch.h"
#include "archive/ExportTable.h"
#include "archive/ProgramFiles.h"
#include "cli/PasswordInput.h"
#include "main/InPlaceCipher.h"
#include "platform/Error.h"
#include "platform/FileIdentity.h"
#include "platform/OfficeFiles.h"
#include "platform/Rc4.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <utility>
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

using Words = std::span<const std::string_view>;

// What follows a command's words, without the "--" that ends the options: from `operandsFrom`
// on nothing is an option, whatever it looks like, so that a file may be named "-x".
struct Arguments
{
    Words words;
    std::size_t operandsFrom = 0;

    std::size_t size() const { return words.size(); }
    bool empty() const { return words.empty(); }
    std::string_view operator[](std::size_t at) const { return words[at]; }
    auto begin() const { return words.begin(); }
    auto end() const { return words.end(); }
    bool optionAllowed(std::size_t at) const { return at < operandsFrom; }
};

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
    // The command's own help: what it does, line by line, then examples of use.
    std::string_view details = {};
    std::string_view examples = {};
};

constexpr std::size_t kAnyNumber = SIZE_MAX;

const char* const kSynopsis = "Uso: velarium-cli [--folder CARTELLA] COMANDO [ARGOMENTI]\n";

int wrongUsage(std::string_view problem)
{
    std::cerr << "velarium-cli: " << problem << '\n'
              << kSynopsis << "L'elenco dei comandi: velarium-cli --help\n";
    return kWrongUsage;
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

// The cipher is its own inverse: a file named twice in one batch (under one name or two) would
// come out as it went in, reported as processed.
std::optional<std::string_view> repeatedFile(Words files)
{
    std::set<velarium::platform::FileIdentity> seen;
    for (const std::string_view file : files) {
        // A file that cannot be found now fails in its turn, with the usual message.
        const auto identity = velarium::platform::fileIdentity(fs::path(file));
        if (identity && !seen.insert(*identity).second) {
            return file;
        }
    }
    return std::nullopt;
}

constexpr std::string_view kCipherArguments = "[--key-bits 40] FILE...";

struct CipherOptions
{
    std::vector<std::string_view> files;
    std::optional<velarium::platform::KeySize> keySize;
};

// Fills `options` from the files and one "--key-bits N" or "--key-bits=N", anywhere among
// them before a "--"; returns what is wrong, if anything.
std::optional<std::string> parseCipher(std::string_view command, Arguments arguments,
                                       CipherOptions& options)
{
    const std::string usage =
        "; uso: " + std::string(command) + ' ' + std::string(kCipherArguments);
    constexpr std::string_view kOption = "--key-bits";
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string_view argument = arguments[at];
        std::optional<std::string_view> value;
        if (!arguments.optionAllowed(at)) {
            // After "--" even "--key-bits" names a file.
            options.files.push_back(argument);
            continue;
        }
        if (argument.starts_with(kOption) && argument.size() > kOption.size() &&
            argument[kOption.size()] == '=') {
            value = argument.substr(kOption.size() + 1);
        } else if (argument != kOption) {
            options.files.push_back(argument);
            continue;
        }
        if (options.keySize) {
            return "opzione ripetuta: " + std::string(kOption) + usage;
        }
        if (!value) {
            if (at + 1 == arguments.size()) {
                return "manca il valore dopo " + std::string(kOption) + usage;
            }
            value = arguments[++at];
        }
        if (*value == "128") {
            options.keySize = velarium::platform::KeySize::Bits128;
        } else if (*value == "40") {
            options.keySize = velarium::platform::KeySize::Bits40;
        } else {
            return "lunghezza della chiave non ammessa: " + std::string(*value) +
                   " (soltanto 40 o 128)" + usage;
        }
    }
    if (options.files.empty()) {
        return "manca il file" + usage;
    }
    return std::nullopt;
}

std::optional<std::string> encryptUsageProblem(Arguments arguments)
{
    CipherOptions options;
    return parseCipher("encrypt", arguments, options);
}

std::optional<std::string> decryptUsageProblem(Arguments arguments)
{
    CipherOptions options;
    return parseCipher("decrypt", arguments, options);
}

// The files in the order given, under one password. The first failure stops the batch: the
// files before it are done (each whole, and listed on standard output as it is done), the
// failing one is as it was, the ones after it are untouched.
int runCipher(const Context& context, Arguments arguments, CipherDirection direction)
{
    const bool encrypt = direction == CipherDirection::Encrypt;
    CipherOptions options;
    parseCipher(encrypt ? "encrypt" : "decrypt", arguments, options);
    const Words files = options.files;
    const auto keySize = options.keySize.value_or(velarium::platform::KeySize::Bits128);
    if (const auto repeated = repeatedFile(files)) {
        std::cerr << "Attenzione: il file " << *repeated
                  << " è indicato più di una volta; nessun file è stato elaborato.\n";
        return kFailure;
    }
    // Asked before touching anything: a refused password leaves no trace in either folder.
    const velarium::cli::Secret password = velarium::cli::readCipherPassword(STDIN_FILENO);
    for (std::size_t at = 0; at < files.size(); ++at) {
        try {
            velarium::InPlaceCipher cipher(context.programFolder, fs::path(files[at]), direction);
            cipher.writeProcessedCopy(password.view(), keySize);
            cipher.replaceChosenFile();
        } catch (const std::exception& e) {
            std::cerr << "Attenzione: il sistema non consente di "
                      << (encrypt ? "criptare" : "decriptare") << " il file selezionato.\n"
                      << e.what() << '\n'
                      << (encrypt ? "File non criptato: " : "File non decriptato: ") << files[at]
                      << '\n';
            for (const std::string_view skipped : files.subspan(at + 1)) {
                std::cerr << "File non elaborato: " << skipped << '\n';
            }
            return kFailure;
        }
        // Line by line, so that a script sees what is done even if the batch is cut short.
        std::cout << (encrypt ? "File criptato: " : "File decriptato: ") << files[at] << std::endl;
    }
    return finishOutput();
}

int runEncrypt(const Context& context, Arguments arguments)
{
    return runCipher(context, arguments, CipherDirection::Encrypt);
}

int runDecrypt(const Context& context, Arguments arguments)
{
    return runCipher(context, arguments, CipherDirection::Decrypt);
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
        velarium::withArchive(context.programFolder, [&](velarium::CardArchive& archive) {
            // Cards appended while listing are not waited for; the ones counted here are all
            // read.
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
        });
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

bool isOption(const Arguments& arguments, std::size_t at)
{
    return arguments.optionAllowed(at) && isOption(arguments[at]);
}

std::optional<std::string> cardsShowUsageProblem(Arguments arguments)
{
    std::size_t numbers = 0;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string_view argument = arguments[at];
        if (!isOption(arguments, at)) {
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
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string_view number = arguments[at];
        // Digits only: no sign, no blank, no decimal point, nothing after the number.
        const bool digitsOnly =
            !number.empty() &&
            std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!isOption(arguments, at) && !digitsOnly) {
            return "numero di scheda non valido: \"" + std::string(number) +
                   "\" (un numero intero, le schede si contano da 1); " + std::string(kShowUsage);
        }
    }
    return std::nullopt;
}

int runCardsShow(const Context& context, Arguments arguments)
{
    bool passwords = false;
    std::string_view numberText;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        if (isOption(arguments, at)) {
            passwords = true;
        } else {
            numberText = arguments[at];
        }
    }
    // Too many digits for any counter is simply a card beyond the last one.
    std::uint64_t number = UINT64_MAX;
    std::from_chars(numberText.data(), numberText.data() + numberText.size(), number);
    if (number == 0) {
        std::cerr << "Scheda 0 inesistente: le schede si contano da 1.\n";
        return kFailure;
    }
    velarium::FileCard card;
    std::uint64_t count = 0;
    try {
        velarium::withArchive(context.programFolder, [&](velarium::CardArchive& archive) {
            count = archive.Count();
            if (number <= count) {
                // One record read, wherever the card lies in the archive.
                archive.Seek(number - 1);
                card = archive.Read();
            }
        });
    } catch (const velarium::ArchiveError& error) {
        return archiveFailure(error);
    }
    if (number > count) {
        std::cerr << "Scheda " << numberText << " inesistente: " << cardCount(count) << ".\n";
        return kFailure;
    }
    std::cout << shownText(card.FilePath) << '\n' << shownText(card.Description) << '\n';
    if (passwords) {
        std::cout << shownText(card.FilePassword) << '\n' << shownText(card.Confirmation) << '\n';
    }
    return finishOutput();
}

struct CardsAddOptions
{
    std::optional<std::string_view> file;
    std::optional<std::string_view> description;
};

constexpr std::string_view kAddUsage = "uso: cards add --file PERCORSO --description TESTO";

// Fills `options` from "--file X" or "--file=X" and the same for --description, each once, in
// any order; returns what is wrong, if anything.
std::optional<std::string> parseCardsAdd(Arguments arguments, CardsAddOptions& options)
{
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string_view argument = arguments[at];
        std::string_view name = argument;
        std::optional<std::string_view> value;
        if (const auto equals = argument.find('=');
            argument.starts_with("--") && equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        std::optional<std::string_view>* const slot = !arguments.optionAllowed(at) ? nullptr
                                                      : name == "--file"           ? &options.file
                                                      : name == "--description"
                                                          ? &options.description
                                                          : nullptr;
        if (slot == nullptr) {
            return "argomento inatteso per cards add: " + std::string(argument) + "; " +
                   std::string(kAddUsage);
        }
        if (*slot) {
            return "opzione ripetuta: " + std::string(name) + "; " + std::string(kAddUsage);
        }
        if (!value) {
            if (at + 1 == arguments.size()) {
                return "manca il valore dopo " + std::string(name) + "; " + std::string(kAddUsage);
            }
            value = arguments[++at];
        }
        *slot = value;
    }
    if (!options.file || !options.description) {
        return std::string(options.file ? "manca --description" : "manca --file") + "; " +
               std::string(kAddUsage);
    }
    return std::nullopt;
}

std::optional<std::string> cardsAddUsageProblem(Arguments arguments)
{
    CardsAddOptions options;
    return parseCardsAdd(arguments, options);
}

void wipe(std::string& text)
{
    // Taken over by a Secret only to be wiped with it.
    const velarium::cli::Secret gone(std::move(text));
}

int cardRefused(std::string_view message)
{
    std::cerr << message << '\n';
    return kFailure;
}

// The card names its file from any folder: a relative path is completed with the current one.
// Only "." steps are dropped; a ".." stays, since behind a symbolic link it does not lead back.
fs::path wholePath(std::string_view given)
{
    fs::path whole;
    for (const fs::path& part : fs::absolute(fs::path(std::string(given)))) {
        if (part != ".") {
            whole /= part;
        }
    }
    return whole;
}

const char* const kNotWindows1252 = "Sono ammessi soltanto i caratteri della codifica Windows-1252 "
                                    "(lettere accentate comprese), scritti in UTF-8.";

// The main window's Save for a new card: its five checks in its order, on trimmed texts, with
// the first sentence of its warnings; then the card is appended.
int runCardsAdd(const Context& context, Arguments arguments)
{
    CardsAddOptions options;
    parseCardsAdd(arguments, options);
    const std::string_view file = velarium::trimmed(*options.file);
    if (file.empty()) {
        return cardRefused("Attenzione: non è stato selezionato alcun file.\n"
                           "Indicare il file da criptare con --file PERCORSO.");
    }
    const std::string_view description = velarium::trimmed(*options.description);
    if (description.empty()) {
        return cardRefused("Attenzione: inserire una descrizione del file da criptare.\n"
                           "Indicarla con --description TESTO.");
    }
    // Before the passwords are asked: typing them twice for nothing would be a poor reward.
    const std::optional<std::string> path = velarium::utf8ToCp1252(wholePath(file).string());
    if (!path) {
        return cardRefused(std::string("Attenzione: il percorso del file contiene caratteri che "
                                       "l'archivio non può registrare.\n") +
                           kNotWindows1252);
    }
    const std::optional<std::string> storedDescription = velarium::utf8ToCp1252(description);
    if (!storedDescription) {
        return cardRefused(std::string("Attenzione: la descrizione contiene caratteri che "
                                       "l'archivio non può registrare.\n") +
                           kNotWindows1252);
    }

    const velarium::cli::CardPasswords typed = velarium::cli::readCardPasswords(STDIN_FILENO);
    const std::string_view password = velarium::trimmed(typed.password.view());
    const std::string_view confirmation = velarium::trimmed(typed.confirmation.view());
    if (password.empty()) {
        return cardRefused("Attenzione: indicare la password da abbinare al file da criptare.");
    }
    if (confirmation.empty()) {
        return cardRefused("Attenzione: confermare la password di criptaggio immettendo lo stesso "
                           "valore alla richiesta Conferma password.");
    }
    if (password != confirmation) {
        return cardRefused("Attenzione: la password indicata non corrisponde a quella immessa "
                           "come conferma.");
    }
    std::optional<std::string> converted = velarium::utf8ToCp1252(password);
    if (!converted) {
        return cardRefused(std::string("Attenzione: la password contiene caratteri non "
                                       "ammessi.\n") +
                           kNotWindows1252);
    }
    const velarium::cli::Secret storedPassword(std::move(*converted));

    velarium::FileCard card{*path, *storedDescription, std::string(storedPassword.view()),
                            std::string(storedPassword.view())};
    // The card's copies of the password go the way of every password the tool holds.
    struct WipeLater
    {
        velarium::FileCard& card;
        ~WipeLater()
        {
            wipe(card.FilePassword);
            wipe(card.Confirmation);
        }
    } wipeLater{card};
    std::uint64_t number = 0;
    try {
        number = velarium::withArchive(context.programFolder, [&](velarium::CardArchive& archive) {
            return archive.Append(card);
        });
    } catch (const velarium::ArchiveError& error) {
        return archiveFailure(error);
    }
    std::cout << number << '\n';
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

int exportFailure(const std::exception& error)
{
    std::cerr << "Attenzione: il sistema non consente di esportare l'archivio nel file "
                 "specificato.\n"
              << error.what() << '\n';
    return kFailure;
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
    const fs::path target{std::string(file)};
    // Refused before the archive is even opened: nothing may change.
    try {
        // The running tool too, wherever it lives: --folder may name another folder.
        const std::optional<fs::path> self = velarium::platform::runningExecutable();
        velarium::refuseProgramFile(context.programFolder, target,
                                    self ? std::span(&*self, 1) : std::span<const fs::path>());
    } catch (const std::exception& e) {
        return exportFailure(e);
    }
    velarium::TextTable table;
    try {
        table = velarium::withArchive(context.programFolder, velarium::exportTable);
    } catch (const velarium::ArchiveError& error) {
        return archiveFailure(error);
    }
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
        return exportFailure(e);
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

constexpr std::string_view kCipherDetails =
    "La password è la prima riga dello standard input, usata così com'è (spazi\n"
    "compresi); da un terminale viene chiesta due volte senza mostrarla.\n"
    "Ogni file viene prima elaborato in una copia nella cartella del programma, poi\n"
    "messo al posto dell'originale in un solo passo: in ogni istante il file è intero,\n"
    "originale o elaborato. Un file di sola lettura è rifiutato; i permessi restano.\n"
    "Al primo errore il comando si ferma: i file già elaborati sono elencati sullo\n"
    "standard output, quello non riuscito e quelli non elaborati sullo standard\n"
    "error. Un file indicato due volte è rifiutato prima di iniziare.\n"
    "Criptare e decriptare sono la stessa trasformazione: una password sbagliata non\n"
    "viene segnalata e dà un file illeggibile, che lo stesso comando con la stessa\n"
    "password riporta com'era.\n"
    "Con --key-bits 40 la chiave è quella a 40 bit del provider di crittografia di\n"
    "base di Windows, il predefinito di Windows 95, 98, ME, NT 4 e 2000 senza il\n"
    "pacchetto di crittografia avanzata: i file criptati su quei sistemi si\n"
    "decriptano soltanto così. La chiave predefinita è quella a 128 bit\n"
    "(--key-bits 128) dei sistemi successivi e della finestra principale.\n";

constexpr std::string_view kExportDetails =
    "Scrive numero, descrizione, password e percorso di ogni scheda, sotto una riga\n"
    "di titoli. FILE, se esiste già, viene sostituito; l'archivio e gli altri file\n"
    "del programma non possono essere la destinazione.\n";

constexpr std::array kCommands{
    Command{.name = "encrypt",
            .arguments = kCipherArguments,
            .summary = "cripta sul posto ogni FILE, con una sola password",
            .minArguments = 1,
            .maxArguments = kAnyNumber,
            .run = &runEncrypt,
            .usageProblem = &encryptUsageProblem,
            .details = kCipherDetails,
            .examples = "printf '%s\\n' 'la mia password' | velarium-cli encrypt documento.pdf\n"
                        "velarium-cli encrypt lettera.docx foto.jpg   # password dal terminale\n"},
    Command{.name = "decrypt",
            .arguments = kCipherArguments,
            .summary = "decripta sul posto ogni FILE, con una sola password",
            .minArguments = 1,
            .maxArguments = kAnyNumber,
            .run = &runDecrypt,
            .usageProblem = &decryptUsageProblem,
            .details = kCipherDetails,
            .examples =
                "printf '%s\\n' 'la mia password' | velarium-cli decrypt documento.pdf\n"
                "velarium-cli decrypt *.pdf                  # password dal terminale\n"
                "velarium-cli decrypt --key-bits 40 vecchio.doc   # criptato su Windows 98\n"},
    Command{.name = "cards list",
            .arguments = "[TESTO]",
            .summary = "elenca le schede: numero, TAB, descrizione",
            .minArguments = 0,
            .maxArguments = 1,
            .run = &runCardsList,
            .details =
                "Le schede sono quelle dell'archivio Velarium.pro, numerate da 1, una per riga.\n"
                "Con TESTO sono elencate solo le schede la cui descrizione contiene TESTO così\n"
                "com'è, spazi compresi; maiuscole e minuscole si equivalgono solo per le\n"
                "lettere A-Z.\n",
            .examples = "velarium-cli cards list\n"
                        "velarium-cli cards list fattura\n"},
    Command{.name = "cards show",
            .arguments = "N [--passwords]",
            .summary = "mostra percorso e descrizione della scheda N",
            .minArguments = 1,
            .maxArguments = 2,
            .run = &runCardsShow,
            .usageProblem = &cardsShowUsageProblem,
            .details = "Una riga ciascuno; con --passwords seguono la password e la conferma,\n"
                       "in chiaro.\n",
            .examples = "velarium-cli cards show 3\n"
                        "velarium-cli cards show 3 --passwords\n"},
    Command{
        .name = "cards add",
        .arguments = "--file PERCORSO --description TESTO",
        .summary = "aggiunge una scheda e ne stampa il numero",
        .minArguments = 2,
        .maxArguments = 4,
        .run = &runCardsAdd,
        .usageProblem = &cardsAddUsageProblem,
        .details = "La scheda va in fondo all'archivio; il suo numero è l'unica riga stampata\n"
                   "sullo standard output. La password è la prima riga dello standard input e\n"
                   "vale anche come conferma; da un terminale vengono chieste password e conferma\n"
                   "senza mostrarle. Come con Salva nella finestra principale, percorso,\n"
                   "descrizione, password e conferma non possono essere vuoti, e password e\n"
                   "conferma devono coincidere. I testi sono registrati senza spazi iniziali e\n"
                   "finali e tagliati a 250 caratteri; un percorso relativo è completato con la\n"
                   "cartella corrente. Caratteri estranei alla codifica dell'archivio\n"
                   "(Windows-1252) sono rifiutati.\n",
        .examples = "printf '%s\\n' 'la mia password' |\n"
                    "    velarium-cli cards add --file documento.pdf --description 'Contratto'\n"
                    "velarium-cli cards add --file=foto.jpg --description='Vacanze 2024'\n"},
    Command{.name = "export xlsx",
            .arguments = "FILE",
            .summary = "esporta l'archivio in FILE, cartella di lavoro di Excel",
            .minArguments = 1,
            .maxArguments = 1,
            .run = &runExportXlsx,
            .details = kExportDetails,
            .examples = "velarium-cli export xlsx archivio.xlsx\n"},
    Command{.name = "export docx",
            .arguments = "FILE",
            .summary = "esporta l'archivio in FILE, documento di Word",
            .minArguments = 1,
            .maxArguments = 1,
            .run = &runExportDocx,
            .details = kExportDetails,
            .examples = "velarium-cli export docx archivio.docx\n"},
    Command{.name = "export csv",
            .arguments = "FILE",
            .summary = "esporta l'archivio in FILE, valori separati da virgole",
            .minArguments = 1,
            .maxArguments = 1,
            .run = &runExportCsv,
            .details =
                "Scrive numero, descrizione, password e percorso di ogni scheda, sotto una\n"
                "riga di titoli, in UTF-8. FILE, se esiste già, viene sostituito; l'archivio\n"
                "e gli altri file del programma non possono essere la destinazione.\n",
            .examples = "velarium-cli export csv archivio.csv\n"},
    Command{.name = "backup",
            .arguments = "DEST",
            .summary = "copia l'archivio nel file di backup DEST",
            .minArguments = 1,
            .maxArguments = 1,
            .run = &runBackup,
            .details =
                "La copia è byte per byte. Al nome DEST si aggiunge .bka se non termina già\n"
                "con .bka (minuscolo). Un file DEST già esistente viene sostituito solo a\n"
                "copia completa; l'archivio e gli altri file del programma non possono\n"
                "essere la destinazione.\n",
            .examples = "velarium-cli backup ~/archivio          # scrive ~/archivio.bka\n"},
    Command{.name = "restore",
            .arguments = "SRC",
            .summary = "sostituisce l'archivio con il file di backup SRC",
            .minArguments = 1,
            .maxArguments = 1,
            .run = &runRestore,
            .details = "Il contenuto di SRC diventa l'archivio così com'è, senza domande. La\n"
                       "sostituzione avviene in un solo passo: se non riesce, l'archivio resta\n"
                       "com'era.\n",
            .examples = "velarium-cli restore ~/archivio.bka\n"},
};

std::vector<std::string_view> words(std::string_view text, char separator = ' ')
{
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const auto space = text.find(separator);
        result.push_back(text.substr(0, space));
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    return result;
}

// The command whose words open `arguments`; the longest wins, so that "cards" and
// "cards list" could both exist.
const Command* findCommand(Words arguments, std::size_t& wordCount)
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
    // A head too long for the column puts its summary on the next line.
    constexpr std::size_t kWidth = 27;
    for (const Command& command : kCommands) {
        const std::string head = std::string(command.name) + ' ' + std::string(command.arguments);
        out << "  " << head
            << (head.size() <= kWidth ? std::string(kWidth - head.size() + 2, ' ')
                                      : '\n' + std::string(kWidth + 4, ' '))
            << command.summary << '\n';
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

void printCommandHelp(std::ostream& out, const Command& command)
{
    std::string summary(command.summary);
    summary.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(summary.front())));
    out << "Uso: velarium-cli [--folder CARTELLA] " << command.name << ' ' << command.arguments
        << "\n\n"
        << summary << ".\n"
        << command.details << "\nEsempi:\n";
    for (const std::string_view line : words(command.examples, '\n')) {
        out << "  " << line << '\n';
    }
}

bool isHelpOption(std::string_view argument)
{
    return argument == "--help" || argument == "-h";
}

// The help of every command whose name opens with `topic` ("cards" gives all the card
// commands); the whole tool's when there is no topic.
int printHelp(Words topic)
{
    if (topic.empty()) {
        printUsage(std::cout);
        return finishOutput();
    }
    bool found = false;
    for (const Command& command : kCommands) {
        const auto name = words(command.name);
        if (topic.size() <= name.size() && std::equal(topic.begin(), topic.end(), name.begin())) {
            std::cout << (found ? "\n" : "");
            printCommandHelp(std::cout, command);
            found = true;
        }
    }
    if (!found) {
        std::string asked;
        for (const std::string_view word : topic) {
            asked += (asked.empty() ? "" : " ") + std::string(word);
        }
        return wrongUsage("nessun comando " + asked);
    }
    std::cout << "\nUscita: 0 riuscito, 1 non riuscito, 2 uso errato.\n";
    return finishOutput();
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
    const std::optional<fs::path> executable = velarium::platform::runningExecutable();
    if (!executable) {
        return std::nullopt;
    }
    return executable->parent_path();
}

int run(Words arguments)
{
    std::optional<fs::path> folder;
    std::size_t at = 0;
    bool optionsEnded = false;
    for (; at < arguments.size() && arguments[at].starts_with("-"); ++at) {
        const std::string_view option = arguments[at];
        if (option == "--") {
            optionsEnded = true;
            ++at;
            break;
        }
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
    const Words rest = arguments.subspan(at);
    if (rest.empty()) {
        return wrongUsage("manca il comando");
    }
    if (rest.front() == "help") {
        return printHelp(rest.subspan(1));
    }
    std::size_t nameWords = 0;
    const Command* command = findCommand(rest, nameWords);
    // The first "--" after the command's words ends its options, unless one came before it.
    const auto firstWord = rest.begin() + static_cast<std::ptrdiff_t>(nameWords);
    const auto optionsEnd =
        optionsEnded ? rest.begin() : std::find(firstWord, rest.end(), std::string_view("--"));
    // "COMMAND --help" anywhere after the command's words; "cards --help" for the whole group.
    if (const auto help = std::find_if(rest.begin(), optionsEnd, isHelpOption);
        help != optionsEnd) {
        const std::size_t topicWords = static_cast<std::size_t>(help - rest.begin());
        return printHelp(rest.first(command != nullptr ? nameWords : topicWords));
    }
    if (command == nullptr) {
        return wrongUsage(unknownCommand(rest.front()));
    }
    std::vector<std::string_view> given(firstWord, rest.end());
    Arguments commandArguments{given, given.size()};
    if (optionsEnded) {
        commandArguments.operandsFrom = 0;
    } else if (optionsEnd != rest.end()) {
        commandArguments.operandsFrom = static_cast<std::size_t>(optionsEnd - firstWord);
        given.erase(given.begin() + static_cast<std::ptrdiff_t>(commandArguments.operandsFrom));
        commandArguments.words = given;
    }
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
