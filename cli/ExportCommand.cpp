// export xlsx, docx and csv: the archive's table, as the export window writes it.

#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "archive/ExportTable.h"
#include "archive/ProgramFiles.h"
#include "cli/Command.h"
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

constexpr std::string_view kExportDetails =
    "Scrive numero, descrizione, password e percorso di ogni scheda, sotto una riga\n"
    "di titoli. FILE, se esiste già, viene sostituito; l'archivio e gli altri file\n"
    "del programma non possono essere la destinazione.\n";

// export xlsx, docx and csv: one command each, alike but for the format.
OneOperandCommand<ExportRequest>::Make exportAs(ExportFormat format)
{
    return [format](std::string file) {
        return ExportRequest{format, std::move(file)};
    };
}

} // namespace

const Command& exportXlsxCommand()
{
    static const OneOperandCommand<ExportRequest> command(
        {.name = "export xlsx",
         .arguments = "FILE",
         .summary = "esporta l'archivio in FILE, cartella di lavoro di Excel",
         .details = kExportDetails,
         .examples = "velarium-cli export xlsx archivio.xlsx\n"},
        exportAs(ExportFormat::Xlsx), runExport);
    return command;
}

const Command& exportDocxCommand()
{
    static const OneOperandCommand<ExportRequest> command(
        {.name = "export docx",
         .arguments = "FILE",
         .summary = "esporta l'archivio in FILE, documento di Word",
         .details = kExportDetails,
         .examples = "velarium-cli export docx archivio.docx\n"},
        exportAs(ExportFormat::Docx), runExport);
    return command;
}

const Command& exportCsvCommand()
{
    static const OneOperandCommand<ExportRequest> command(
        {.name = "export csv",
         .arguments = "FILE",
         .summary = "esporta l'archivio in FILE, valori separati da virgole",
         .details = "Scrive numero, descrizione, password e percorso di ogni scheda, sotto una\n"
                    "riga di titoli, in UTF-8. FILE, se esiste già, viene sostituito; l'archivio\n"
                    "e gli altri file del programma non possono essere la destinazione.\n",
         .examples = "velarium-cli export csv archivio.csv\n"},
        exportAs(ExportFormat::Csv), runExport);
    return command;
}

} // namespace velarium::cli
