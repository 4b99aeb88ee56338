// backup: the archive copied, byte for byte, into a backup file.

#include "archive/ArchiveBackup.h"
#include "cli/Commands.h"
#include "platform/Utf8Path.h"

#include <exception>
#include <iostream>
#include <string>

namespace velarium::cli {

int runBackup(const Context& context, const BackupRequest& request)
{
    std::filesystem::path destination;
    try {
        destination = withBackupExtension(pathFromUtf8(request.destination));
        backupArchive(context.programFolder, destination);
    } catch (const std::exception& e) {
        std::cerr << "Attenzione: il sistema non consente di salvare il file nella posizione "
                     "specificata. Creazione backup archivio non riuscita.\n"
                  << e.what() << '\n';
        return kFailure;
    }
    const std::string done = "Backup dell'archivio creato: " + utf8FromPath(destination);
    std::cout << done << '\n';
    return finishOutput(done);
}

} // namespace velarium::cli
