// export xlsx, docx and csv: the archive's table, as the export window writes it.

#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "archive/ExportTable.h"
#include "archive/ProgramFiles.h"
#include "cli/Commands.h"
#include "platform/FileIdentity.h"
#include "platform/OfficeFiles.h"
#include "platform/Utf8Path.h"

#include <exception>
#include <iostream>
#include <optional>
#include <span>
#include <string>

namespace velarium::cli {
namespace {

namespace fs = std::filesystem;

int exportFailure(const std::exception& error)
{
    std::cerr << "Attenzione: il sistema non consente di esportare l'archivio nel file "
                 "specificato.\n"
              << error.what() << '\n';
    return kFailure;
}

} // namespace

// The same table and the same writers as the export window, so that a file made here and one
// made there are alike; only nothing is opened afterwards.
int runExport(const Context& context, const ExportRequest& request)
{
    const fs::path target = pathFromUtf8(request.file);
    // Refused before the archive is even opened: nothing may change.
    try {
        // The running tool too, wherever it lives: --folder may name another folder.
        const std::optional<fs::path> self = platform::runningExecutable();
        refuseProgramFile(context.programFolder, target,
                          self ? std::span(&*self, 1) : std::span<const fs::path>());
    } catch (const std::exception& e) {
        return exportFailure(e);
    }
    TextTable table;
    try {
        table = withArchive(context.programFolder, ArchiveUse::Reading, exportTable);
    } catch (const ArchiveError& error) {
        return archiveFailure(error);
    }
    try {
        switch (request.format) {
        case ExportFormat::Xlsx:
            platform::writeXlsx(target, table, kExportSheetName);
            break;
        case ExportFormat::Docx:
            platform::writeDocx(target, table);
            break;
        case ExportFormat::Csv:
            platform::writeCsv(target, table);
            break;
        }
    } catch (const std::exception& e) {
        return exportFailure(e);
    }
    const std::string done =
        "Archivio esportato: " + request.file + " (" + cardCount(table.size() - 1) + ")";
    std::cout << done << '\n';
    return finishOutput(done);
}

} // namespace velarium::cli
