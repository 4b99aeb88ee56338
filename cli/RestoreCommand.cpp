// restore: a backup file made the archive, in one step.

#include "archive/ArchiveBackup.h"
#include "cli/Commands.h"
#include "platform/Utf8Path.h"

#include <exception>
#include <iostream>
#include <string>

namespace velarium::cli {

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

} // namespace velarium::cli
