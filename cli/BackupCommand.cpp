// backup: the archive copied, byte for byte, into a backup file.

#include "archive/ArchiveBackup.h"
#include "cli/Command.h"
#include "platform/Utf8Path.h"

#include <exception>
#include <iostream>
#include <string>

namespace velarium::cli {
namespace {

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

} // namespace

const Command& backupCommand()
{
    static const OneOperandCommand<BackupRequest> command(
        {.name = "backup",
         .arguments = "DEST",
         .summary = "copia l'archivio nel file di backup DEST",
         .details = "La copia è byte per byte. Al nome DEST si aggiunge .bka se non termina già\n"
                    "con .bka (minuscolo). Un file DEST già esistente viene sostituito solo a\n"
                    "copia completa; l'archivio e gli altri file del programma non possono\n"
                    "essere la destinazione.\n",
         .examples = "velarium-cli backup ~/archivio          # scrive ~/archivio.bka\n"},
        [](std::string file) { return BackupRequest{std::move(file)}; }, runBackup);
    return command;
}

} // namespace velarium::cli
