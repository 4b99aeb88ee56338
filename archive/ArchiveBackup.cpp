#include "archive/ArchiveBackup.h"

#include "archive/CardArchive.h"
#include "platform/FileReplace.h"

namespace velarium {

std::filesystem::path withBackupExtension(const std::filesystem::path& chosen)
{
    std::filesystem::path::string_type name = chosen.native();
    if (!name.ends_with(kBackupExtension)) {
        name += kBackupExtension;
    }
    return name;
}

void backupArchive(const std::filesystem::path& programFolder,
                   const std::filesystem::path& destination)
{
    platform::copyFileAtomically(programFolder / kCardArchiveName, destination);
}

void restoreArchive(const std::filesystem::path& programFolder, const std::filesystem::path& source)
{
    platform::copyFileAtomically(source, programFolder / kCardArchiveName);
}

} // namespace velarium
