// restore: a backup file made the archive, in one step.

#include "archive/ArchiveBackup.h"
#include "cli/Command.h"
#include "platform/Utf8Path.h"

#include <exception>
#include <iostream>
#include <string>

namespace velarium::cli {
namespace {

int runRestore(const Context& context, const RestoreRequest& request)
{
    try {
        restoreArchive(context.programFolder, pathFromUtf8(request.source));
    } catch (const std::exception& e) {
        std::cerr << "Attenzione: il sistema non consente di sovrascrivere l'archivio corrente. "
                     "Ripristino archivio file criptati non riuscito.\n"
                  << e.what() << '\n';
        return kFailure;
    }
    const std::string done = "Archivio ripristinato da: " + request.source;
    std::cout << done << '\n';
    return finishOutput(done);
}

} // namespace

const Command& restoreCommand()
{
    static const OneOperandCommand<RestoreRequest> command(
        {.name = "restore",
         .arguments = "SRC",
         .summary = "sostituisce l'archivio con il file di backup SRC",
         .details = "Il contenuto di SRC diventa l'archivio così com'è, senza domande. La\n"
                    "sostituzione avviene in un solo passo: se non riesce, l'archivio resta\n"
                    "com'era.\n",
         .examples = "velarium-cli restore ~/archivio.bka\n"},
        [](std::string file) { return RestoreRequest{std::move(file)}; }, runRestore);
    return command;
}

} // namespace velarium::cli
