#include "archive/ProgramFiles.h"

#include "app/Crypt.h"
#include "archive/CardArchive.h"
#include "main/InPlaceCipher.h"
#include "platform/Error.h"
#include "platform/ExportFolder.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <system_error>

namespace velarium {
namespace {

namespace fs = std::filesystem;

// Both systems' executable names: refusing the other system's costs nothing.
const std::array<const char*, 13> kProgramFileNames{
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
    "velarium-servicemenu.desktop",
    // The content-type database a Windows build carries beside the program.
    "magic.mgc",
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

// The folders are compared by identity, so that any spelling of them counts (letter case on
// Windows, links, "..").
bool isFolder(const fs::path& path, const fs::path& folder)
{
    std::error_code error;
    return fs::equivalent(path, folder, error);
}

// Whether `where` lies in `folder` or in a folder below it: 1 or deeper; 0 when it does not.
int depthWithin(const fs::path& where, const fs::path& folder)
{
    if (where.empty() || folder.empty()) {
        return 0;
    }
    int depth = 1;
    for (fs::path up = where.parent_path(); !up.empty(); up = up.parent_path(), ++depth) {
        if (isFolder(up, folder)) {
            return depth;
        }
        if (up == up.parent_path()) {
            break;
        }
    }
    return 0;
}

// Qt's libraries and the like, which a Windows build keeps beside its executable.
bool isSharedLibrary(const fs::path& name)
{
    const std::string text = utf8FromPath(name.filename());
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
    throw Error("Impossibile scrivere su '" + utf8FromPath(destination) +
                "': è il file del programma '" + utf8FromPath(protectedFile) +
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
    const int depth = depthWithin(where, programFolder);
    if (depth > 1 || (depth == 1 && isSharedLibrary(where.filename()))) {
        refuse(destination, where);
    }
    const fs::path exports = platform::ExportFolder::userFolder();
    if (depthWithin(where, exports) > 0) {
        throw Error("Impossibile scrivere su '" + utf8FromPath(destination) +
                    "': è nella cartella delle esportazioni del programma '" +
                    utf8FromPath(exports) + "'");
    }
}

} // namespace velarium
