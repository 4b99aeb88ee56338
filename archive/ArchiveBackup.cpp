#include "archive/ArchiveBackup.h"

#include "archive/CardArchive.h"
#include "archive/ProgramFiles.h"
#include "platform/Error.h"
#include "platform/FileReplace.h"

#include <system_error>

namespace velarium {

std::filesystem::path withBackupExtension(const std::filesystem::path& chosen)
{
    const std::filesystem::path chosenName = chosen.filename();
    std::error_code error;
    if (chosenName.empty() || chosenName == "." || chosenName == ".." ||
        std::filesystem::is_directory(chosen, error)) {
        throw Error("Il nome scelto per il backup '" + chosen.string() +
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
    platform::copyFileAtomically(programFolder / kCardArchiveName, destination);
}

void restoreArchive(const std::filesystem::path& programFolder, const std::filesystem::path& source)
{
    platform::copyFileAtomically(source, programFolder / kCardArchiveName);
}

} // namespace velarium
