#include "platform/OfficeFiles.h"

#include "platform/Error.h"

// On Windows the export window has Word and Excel themselves make the documents, through COM.
// The portable .docx and .xlsx writers would bring libzip and libxlsxwriter along, which this
// build does not carry, for the command line alone; CSV needs neither and is written as
// everywhere else.
namespace velarium::platform {
namespace {

[[noreturn]] void refuseOfficeFile()
{
    throw Error("su Windows i file .docx e .xlsx li scrivono Word ed Excel, dalla finestra di "
                "esportazione del programma; dalla riga di comando: export csv");
}

} // namespace

void writeDocx(const std::filesystem::path&, const TextTable&)
{
    refuseOfficeFile();
}

void writeXlsx(const std::filesystem::path&, const TextTable&, std::string_view)
{
    refuseOfficeFile();
}

void openDocx(ExportFolder&, const TextTable&, const DocumentOpener&)
{
    refuseOfficeFile();
}

void openXlsx(ExportFolder&, const TextTable&, std::string_view, const DocumentOpener&)
{
    refuseOfficeFile();
}

} // namespace velarium::platform
