// encrypt and decrypt: files processed in place, one after the other, under one password.

#include "archive/CardChecks.h"
#include "cli/Command.h"
#include "cli/Console.h"
#include "cli/PasswordInput.h"
#include "main/CipherChecks.h"
#include "main/InPlaceCipher.h"
#include "main/ProgressFigures.h"
#include "platform/FileIdentity.h"
#include "platform/Text.h"
#include "platform/Utf8Path.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <exception>
#include <iostream>
#include <optional>
#include <set>
#include <span>
#include <string>

namespace velarium::cli {
namespace {

// The cipher is its own inverse: a file named twice in one batch (under one name or two) would
// come out as it went in, reported as processed.
std::optional<std::string> repeatedFile(std::span<const std::string> files)
{
    std::set<platform::FileIdentity> seen;
    for (const std::string& file : files) {
        // A file that cannot be found now fails in its turn, with the usual message.
        const auto identity = platform::fileIdentity(pathFromUtf8(file));
        if (identity && !seen.insert(*identity).second) {
            return file;
        }
    }
    return std::nullopt;
}

// Decrypting takes any password, so that files made elsewhere still open; but a key for a new
// encryption must be one a card can keep, or the file could never be opened from its card.
const char* keyRefusal(std::string_view password)
{
    switch (checkEncryptionKey(password)) {
    case KeyProblem::None:
        break;
    case KeyProblem::Padded:
        return "Attenzione: la password inizia o termina con uno spazio o con un carattere di "
               "controllo, che una scheda non può conservare.\n"
               "Nessun file è stato criptato.";
    case KeyProblem::TooLong:
        return "Attenzione: la password supera i 250 caratteri che una scheda può conservare.\n"
               "Nessun file è stato criptato.";
    }
    return nullptr;
}

// One step of one file, on a terminal's standard error: a line rewritten in place with the
// percentage, the bytes, the pace and the time left (Progress::step keeps it to ten times a
// second), wiped when the step ends so that what follows starts on a clean line.
class TerminalProgress final : public platform::Progress
{
public:
    explicit TerminalProgress(std::string prefix) : prefix_(std::move(prefix)) {}
    ~TerminalProgress() override
    {
        if (width_ > 0) {
            show("\r" + std::string(width_, ' ') + "\r");
        }
    }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void advanced(std::uint64_t done, std::uint64_t total) override
    {
        const ProgressFigures figures =
            progressFigures(done, total, start_, std::chrono::steady_clock::now());
        std::string line = prefix_ + std::to_string(figures.percent) + "%  " +
                           bytesOf(done, total) + "  " +
                           byteCount(static_cast<std::uint64_t>(figures.bytesPerSecond)) + "/s";
        if (figures.left) {
            line += "  " + timeLeftText(*figures.left);
        }
        // Blanks over what a longer line before left behind.
        const std::size_t width = line.size();
        line.append(width_ > width ? width_ - width : 0, ' ');
        width_ = width;
        show("\r" + line);
    }

private:
    static void show(const std::string& text)
    {
        std::cerr.write(text.data(), static_cast<std::streamsize>(text.size()));
        std::cerr.flush();
    }

    std::string prefix_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::size_t width_ = 0;
};

// What the checks before the cipher doubt, as a refusal; nothing when they find no doubt.
std::optional<std::string> doubtRefusal(const Context& context, const CipherRequest& request,
                                        const std::string& file, std::string_view password)
{
    const std::string cardPath =
        utf8ToCp1252(utf8FromPath(wholePath(pathFromUtf8(file)))).value_or(std::string());
    const CipherCheck check =
        checkBeforeCipher(request.direction, context.programFolder, pathFromUtf8(file), cardPath,
                          password, request.keySize);
    switch (check.doubt) {
    case CipherDoubt::None:
        break;
    case CipherDoubt::AlreadyEncrypted:
        return "Attenzione: il file sembra già criptato con questa password: decriptato con "
               "essa risulta leggibile (" +
               recognisedTypeText(check) +
               "). Un nuovo criptaggio lo riporterebbe in chiaro.\n"
               "Per criptarlo comunque, ripetere il comando con --force.";
    case CipherDoubt::NotTheCardsPassword:
        return "Attenzione: la password indicata non è quella registrata per questo file " +
               cardNumbersText(check) +
               ".\nPer decriptarlo comunque, ripetere il comando con --force.";
    case CipherDoubt::WrongPassword:
        return std::string("Attenzione: la password indicata sembra errata: decriptato con essa, "
                           "il file resterebbe illeggibile.\n"
                           "Per decriptarlo comunque, ripetere il comando con --force.");
    }
    return std::nullopt;
}

// The first failure stops the batch: the files before it are done (each whole, and listed on
// standard output as it is done), the failing one is as it was, the ones after it are untouched.
int runCipher(const Context& context, const CipherRequest& request)
{
    const bool encrypt = request.direction == CipherDirection::Encrypt;
    const std::span<const std::string> files = request.files;
    if (const auto repeated = repeatedFile(files)) {
        std::cerr << "Attenzione: il file " << *repeated
                  << " è indicato più di una volta; nessun file è stato elaborato.\n";
        return kFailure;
    }
    // Asked before touching anything: a refused password leaves no trace in either folder.
    const Secret password = readCipherPassword();
    if (encrypt) {
        if (const char* refused = keyRefusal(password.view())) {
            std::cerr << refused << '\n';
            return kFailure;
        }
    }
    // The failing file and those after it, on standard error, after the reason.
    const auto stopAt = [&](std::size_t at, const std::string& reason) {
        std::cerr << reason << '\n'
                  << (encrypt ? "File non criptato: " : "File non decriptato: ") << files[at]
                  << '\n';
        for (const std::string& skipped : files.subspan(at + 1)) {
            std::cerr << "File non elaborato: " << skipped << '\n';
        }
        return kFailure;
    };
    // Only a person watching a terminal wants it: nothing of it goes into a pipe or a file.
    const bool showProgress = !request.quiet && standardErrorIsTerminal();
    std::string done;
    for (std::size_t at = 0; at < files.size(); ++at) {
        if (!request.force) {
            if (const auto refused = doubtRefusal(context, request, files[at], password.view())) {
                return stopAt(at, *refused);
            }
        }
        // "[2/5] " before each line of a batch.
        const std::string counter = files.size() > 1 ? "[" + std::to_string(at + 1) + "/" +
                                                           std::to_string(files.size()) + "] "
                                                     : std::string();
        try {
            InPlaceCipher cipher(context.programFolder, pathFromUtf8(files[at]), request.direction);
            {
                std::optional<TerminalProgress> progress;
                if (showProgress) {
                    progress.emplace(counter + (encrypt ? "criptaggio " : "decriptaggio "));
                }
                cipher.writeProcessedCopy(password.view(), request.keySize,
                                          progress ? &*progress : nullptr);
            }
            std::optional<TerminalProgress> progress;
            if (showProgress) {
                progress.emplace(counter + "copia accanto al file ");
            }
            cipher.replaceChosenFile(progress ? &*progress : nullptr);
        } catch (const std::exception& e) {
            return stopAt(at, std::string("Attenzione: il sistema non consente di ") +
                                  (encrypt ? "criptare" : "decriptare") +
                                  " il file selezionato.\n" + e.what());
        }
        // Line by line, so that a script sees what is done even if the batch is cut short.
        const std::string line = (encrypt ? "File criptato: " : "File decriptato: ") + files[at];
        std::cout << line << std::endl;
        done += (done.empty() ? "" : "\n") + line;
    }
    return finishOutput(done);
}

constexpr std::string_view kCipherDetails =
    "La password è la prima riga dello standard input, usata così com'è (spazi\n"
    "compresi); da un terminale viene chiesta due volte senza mostrarla. Per criptare\n"
    "deve poter stare in una scheda: al massimo 250 caratteri, senza spazi iniziali\n"
    "o finali.\n"
    "Ogni file viene prima elaborato in una copia nella cartella del programma, poi\n"
    "messo al posto dell'originale in un solo passo: in ogni istante il file è intero,\n"
    "originale o elaborato. Un file di sola lettura è rifiutato; i permessi restano.\n"
    "Al primo errore il comando si ferma: i file già elaborati sono elencati sullo\n"
    "standard output, quello non riuscito e quelli non elaborati sullo standard\n"
    "error. Un file indicato due volte è rifiutato prima di iniziare.\n"
    "Criptare e decriptare sono la stessa trasformazione, e il file criptato non\n"
    "porta alcun segno della password. Prima di ogni file, quindi, un controllo\n"
    "guarda le schede dell'archivio e i primi 64 KiB del file, prima e dopo la\n"
    "chiave: un file che sembra già criptato con la stessa password (criptarlo di\n"
    "nuovo lo riporterebbe in chiaro), una password diversa da quella delle schede\n"
    "del file, o una che lo lascerebbe illeggibile, fermano il comando con il suo\n"
    "motivo. Con --force il comando prosegue comunque. Il controllo non è una\n"
    "prova: un file dal contenuto casuale (un contenitore cifrato di altri\n"
    "programmi) sembra sempre decriptato con una password errata.\n"
    "Quando lo standard error è un terminale, una riga riscritta sul posto mostra\n"
    "l'avanzamento (percentuale, byte, velocità, tempo rimanente e, per più file, il\n"
    "numero del file); --quiet la toglie. Ctrl-C ferma il comando lasciando il file\n"
    "com'era.\n"
    "Con --key-bits 40 la chiave è quella a 40 bit del provider di crittografia di\n"
    "base di Windows, il predefinito di Windows 95, 98, ME, NT 4 e 2000 senza il\n"
    "pacchetto di crittografia avanzata: i file criptati su quei sistemi si\n"
    "decriptano soltanto così. La chiave predefinita è quella a 128 bit\n"
    "(--key-bits 128) dei sistemi successivi e della finestra principale.\n";

// encrypt and decrypt: one command each, alike but for the direction.
class CipherCommand final : public Command
{
public:
    CipherCommand(CipherDirection direction, const CommandHelp& help)
        : Command(help), direction_(direction)
    {
    }

    void declare(CLI::App& command) const override
    {
        // Only the two lengths of the Windows providers' keys.
        const CLI::Validator keyBits(
            [](const std::string& bits) -> std::string {
                if (bits != "40" && bits != "128") {
                    throw Refusal{"lunghezza della chiave non ammessa: " + bits +
                                  " (soltanto 40 o 128)"};
                }
                return {};
            },
            "40|128");
        addValueOption(command, "--key-bits")->check(keyBits);
        addFlag(command, "--force");
        addFlag(command, "--quiet");
    }

    std::variant<Request, UsageError> request(const Reading& reading) const override
    {
        if (reading.count("--key-bits") > 1) {
            return wrong("opzione ripetuta: --key-bits");
        }
        if (reading.refused()) {
            return wrong(*reading.refused());
        }
        if (reading.operands().empty()) {
            return wrong("manca il file");
        }
        CipherRequest cipher;
        cipher.direction = direction_;
        const std::vector<std::string>& keyBits = reading.values("--key-bits");
        if (!keyBits.empty() && keyBits.front() == "40") {
            cipher.keySize = platform::KeySize::Bits40;
        }
        cipher.files = reading.operands();
        cipher.force = reading.count("--force") > 0;
        cipher.quiet = reading.count("--quiet") > 0;
        return cipher;
    }

    int run(const Context& context, const Request& request) const override
    {
        return runCipher(context, std::get<CipherRequest>(request));
    }

private:
    CipherDirection direction_;
};

} // namespace

const Command& encryptCommand()
{
    static const CipherCommand command(
        CipherDirection::Encrypt,
        {.name = "encrypt",
         .arguments = "[--key-bits 40] [--force] [--quiet] FILE...",
         .summary = "cripta sul posto ogni FILE, con una sola password",
         .details = kCipherDetails,
         .examples = "printf '%s\\n' 'la mia password' | velarium-cli encrypt documento.pdf\n"
                     "velarium-cli encrypt lettera.docx foto.jpg   # password dal terminale\n"});
    return command;
}

const Command& decryptCommand()
{
    static const CipherCommand command(
        CipherDirection::Decrypt,
        {.name = "decrypt",
         .arguments = "[--key-bits 40] [--force] [--quiet] FILE...",
         .summary = "decripta sul posto ogni FILE, con una sola password",
         .details = kCipherDetails,
         .examples =
             "printf '%s\\n' 'la mia password' | velarium-cli decrypt documento.pdf\n"
             "velarium-cli decrypt *.pdf                  # password dal terminale\n"
             "velarium-cli decrypt --key-bits 40 vecchio.doc   # criptato su Windows 98\n"});
    return command;
}

} // namespace velarium::cli
