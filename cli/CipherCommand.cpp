// encrypt and decrypt: files processed in place, one after the other, under one password.

#include "archive/CardChecks.h"
#include "cli/Commands.h"
#include "cli/PasswordInput.h"
#include "main/CipherChecks.h"
#include "main/InPlaceCipher.h"
#include "platform/FileIdentity.h"
#include "platform/Text.h"

#include <exception>
#include <iostream>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <unistd.h>

namespace velarium::cli {
namespace {

namespace fs = std::filesystem;

// The cipher is its own inverse: a file named twice in one batch (under one name or two) would
// come out as it went in, reported as processed.
std::optional<std::string> repeatedFile(std::span<const std::string> files)
{
    std::set<platform::FileIdentity> seen;
    for (const std::string& file : files) {
        // A file that cannot be found now fails in its turn, with the usual message.
        const auto identity = platform::fileIdentity(fs::path(file));
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

// What the checks before the cipher doubt, as a refusal; nothing when they find no doubt.
std::optional<std::string> doubtRefusal(const Context& context, const CipherRequest& request,
                                        const std::string& file, std::string_view password)
{
    const std::string cardPath = utf8ToCp1252(wholePath(file).string()).value_or(std::string());
    const CipherCheck check =
        checkBeforeCipher(request.direction, context.programFolder, fs::path(file), cardPath,
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

} // namespace

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
    const Secret password = readCipherPassword(STDIN_FILENO);
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
    std::string done;
    for (std::size_t at = 0; at < files.size(); ++at) {
        if (!request.force) {
            if (const auto refused = doubtRefusal(context, request, files[at], password.view())) {
                return stopAt(at, *refused);
            }
        }
        try {
            InPlaceCipher cipher(context.programFolder, fs::path(files[at]), request.direction);
            cipher.writeProcessedCopy(password.view(), request.keySize);
            cipher.replaceChosenFile();
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

} // namespace velarium::cli
