// encrypt and decrypt: files processed in place, one after the other, under one password.

#include "cli/Commands.h"
#include "cli/PasswordInput.h"
#include "main/InPlaceCipher.h"
#include "platform/FileIdentity.h"

#include <exception>
#include <iostream>
#include <optional>
#include <set>
#include <span>
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
    for (std::size_t at = 0; at < files.size(); ++at) {
        try {
            InPlaceCipher cipher(context.programFolder, fs::path(files[at]), request.direction);
            cipher.writeProcessedCopy(password.view(), request.keySize);
            cipher.replaceChosenFile();
        } catch (const std::exception& e) {
            std::cerr << "Attenzione: il sistema non consente di "
                      << (encrypt ? "criptare" : "decriptare") << " il file selezionato.\n"
                      << e.what() << '\n'
                      << (encrypt ? "File non criptato: " : "File non decriptato: ") << files[at]
                      << '\n';
            for (const std::string& skipped : files.subspan(at + 1)) {
                std::cerr << "File non elaborato: " << skipped << '\n';
            }
            return kFailure;
        }
        // Line by line, so that a script sees what is done even if the batch is cut short.
        std::cout << (encrypt ? "File criptato: " : "File decriptato: ") << files[at] << std::endl;
    }
    return finishOutput();
}

} // namespace velarium::cli
