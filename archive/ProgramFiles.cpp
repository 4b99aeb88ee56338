#include "archive/ProgramFiles.h"

#include "app/Crypt.h"
#include "archive/CardArchive.h"
#include "main/InPlaceCipher.h"
#include "platform/Error.h"
#include "platform/ExportFolder.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <system_error>

namespace velarium {
namespace {

namespace fs = std::filesystem;

// Both systems' executable names: refusing the other system's costs nothing.
const std::array<const char*, 11> kProgramFileNames{
    kCardArchiveName,
    kAccessStoreName,
    "Guida.pdf",
    InPlaceCipher::temporaryName(CipherDirection::Encrypt),
    InPlaceCipher::temporaryName(CipherDirection::Decrypt),
    "Velarium",
    "Velarium.exe",
    "velarium-cli",
    "velarium-cli.exe",
    "Velarium.png",
    "velarium.desktop",
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

// Where a name leads once links and dots are resolved, without a separator at its end.
fs::path resolved(const fs::path& path)
{
    std::error_code error;
    fs::path where = fs::weakly_canonical(path, error);
    if (error) {
        return {};
    }
    if (where.filename().empty()) {
        where = where.parent_path();
    }
    return where;
}

bool isWithin(const fs::path& where, const fs::path& folder)
{
    if (where.empty() || folder.empty()) {
        return false;
    }
    const auto [inFolder, inWhere] =
        std::mismatch(folder.begin(), folder.end(), where.begin(), where.end());
    return inFolder == folder.end() && inWhere != where.end();
}

// Qt's libraries and the like, which a Windows build keeps beside its executable.
bool isSharedLibrary(const fs::path& name)
{
    const std::string text = name.filename().string();
    auto endsWith = [&](std::string_view end) {
        return text.size() >= end.size() &&
               std::equal(end.rbegin(), end.rend(), text.rbegin(), [](char a, char b) {
                   return a == static_cast<char>(std::tolower(static_cast<unsigned char>(b)));
               });
    };
    return endsWith(".dll") || endsWith(".so") || text.find(".so.") != std::string::npos;
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
    const fs::path where = resolved(destination);
    const fs::path folder = resolved(programFolder);
    if (isWithin(where, folder) &&
        (where.parent_path() != folder || isSharedLibrary(where.filename()))) {
        refuse(destination, where);
    }
    const fs::path exports = resolved(platform::ExportFolder::userFolder());
    if (isWithin(where, exports)) {
        throw Error("Impossibile scrivere su '" + destination.string() +
                    "': è nella cartella delle esportazioni del programma '" + exports.string() +
                    "'");
    }
}

} // namespace velarium
