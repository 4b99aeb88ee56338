#include "archive/ProgramFiles.h"

#include "app/Crypt.h"
#include "archive/CardArchive.h"
#include "main/InPlaceCipher.h"
#include "platform/Error.h"

#include <array>
#include <system_error>

namespace velarium {
namespace {

namespace fs = std::filesystem;

// Both systems' executable names: refusing the other system's costs nothing.
const std::array<const char*, 9> kProgramFileNames{
    kCardArchiveName,
    kAccessStoreName,
    "Guida.pdf",
    InPlaceCipher::temporaryName(CipherDirection::Encrypt),
    InPlaceCipher::temporaryName(CipherDirection::Decrypt),
    "Velarium",
    "Velarium.exe",
    "velarium-cli",
    "velarium-cli.exe",
};

bool sameFile(const fs::path& destination, const fs::path& protectedFile)
{
    // One file under two names (a hard link, a symbolic link, "..") is one device and inode.
    std::error_code error;
    if (fs::equivalent(destination, protectedFile, error)) {
        return true;
    }
    // A file yet to be made has no identity: where its name leads, once links and dots are
    // resolved, decides.
    const fs::path where = fs::weakly_canonical(destination, error);
    if (error) {
        return false;
    }
    const fs::path protectedWhere = fs::weakly_canonical(protectedFile, error);
    return !error && where == protectedWhere;
}

[[noreturn]] void refuse(const fs::path& destination, const fs::path& protectedFile)
{
    throw Error("Impossibile scrivere su '" + destination.string() +
                "': è il file del programma '" + protectedFile.string() +
                "', che non può essere sostituito");
}

} // namespace

void refuseProgramFile(const fs::path& programFolder, const fs::path& destination,
                       std::span<const fs::path> alsoRefused)
{
    for (const char* name : kProgramFileNames) {
        if (sameFile(destination, programFolder / name)) {
            refuse(destination, programFolder / name);
        }
    }
    for (const fs::path& file : alsoRefused) {
        if (sameFile(destination, file)) {
            refuse(destination, file);
        }
    }
}

} // namespace velarium
