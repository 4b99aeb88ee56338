#include "archive/ArchiveBackup.h"

#include "archive/CardArchive.h"
#include "archive/ProgramFiles.h"
#include "platform/Error.h"
#include "platform/FileIdentity.h"
#include "platform/FileReplace.h"
#include "platform/Utf8Path.h"

#include <cstdio>
#include <random>
#include <system_error>

namespace velarium {

namespace {

namespace fs = std::filesystem;

// A hidden name beside `target` that no other restore picks.
fs::path freshNameBeside(const fs::path& target)
{
    std::random_device random;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    fs::path name(".");
    name += target.filename();
    name += ".ripristino-";
    name += suffix;
    return target.parent_path() / name;
}

// Removes the copy on every way out but the one where it took the archive's place.
class CopyLeftover
{
public:
    explicit CopyLeftover(const fs::path& path) : path_(path) {}
    ~CopyLeftover()
    {
        if (!placed_) {
            platform::removeQuietly(path_);
        }
    }
    CopyLeftover(const CopyLeftover&) = delete;
    CopyLeftover& operator=(const CopyLeftover&) = delete;
    void placed() { placed_ = true; }

private:
    fs::path path_;
    bool placed_ = false;
};

// The backup is copied beside the archive's file and checked there, then renamed over it: what
// becomes the archive is exactly what was checked, whatever happens to the backup meanwhile.
void putInPlace(const fs::path& source, CardArchive& held)
{
    const fs::path& archive = held.path();
    const auto from = platform::fileIdentity(source);
    const auto to = platform::fileIdentity(archive);
    if (from && from == to) {
        throw Error("Impossibile copiare '" + utf8FromPath(source) + "' su '" +
                    utf8FromPath(archive) + "': sono lo stesso file");
    }
    // The file a link leads to is replaced, and the link stays; a read-only archive is refused.
    const fs::path target = to ? platform::replaceableTarget(archive) : archive;
    const fs::path copy = freshNameBeside(target);
    CopyLeftover leftover(copy);
    platform::copyFileAtomically(source, copy);
    checkArchiveFile(copy, source);
    held.YieldToReplacement();
    if (to) {
        platform::replaceFile(copy, target);
    } else {
        // No archive to take the permissions of: the copy keeps those it was made with.
        std::error_code error;
        fs::rename(copy, archive, error);
        if (error) {
            throw SystemError("Impossibile sostituire il file", archive, error.value());
        }
    }
    leftover.placed();
}

} // namespace

std::filesystem::path withBackupExtension(const std::filesystem::path& chosen)
{
    const std::filesystem::path chosenName = chosen.filename();
    std::error_code error;
    if (chosenName.empty() || chosenName == "." || chosenName == ".." ||
        std::filesystem::is_directory(chosen, error)) {
        throw Error("Il nome scelto per il backup '" + utf8FromPath(chosen) +
                    "' è una cartella: indicare il nome di un file");
    }
    // Compared in the path's own characters, which are wide on Windows.
    const std::filesystem::path extension(kBackupExtension);
    std::filesystem::path::string_type name = chosen.native();
    if (!name.ends_with(extension.native())) {
        name += extension.native();
    }
    return name;
}

void backupArchive(const std::filesystem::path& programFolder,
                   const std::filesystem::path& destination)
{
    refuseProgramFile(programFolder, destination);
    CardArchive archive(programFolder);
    archive.Open(ArchiveUse::Copying);
    archive.Exclusively([&] { platform::copyFileAtomically(archive.path(), destination); });
    archive.Close();
}

void restoreArchive(const std::filesystem::path& programFolder, const std::filesystem::path& source)
{
    CardArchive archive(programFolder);
    archive.Open(ArchiveUse::Reading);
    archive.Exclusively([&] { putInPlace(source, archive); });
    archive.Close();
}

} // namespace velarium
