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

std::unique_ptr<automation::WordApplication> makeDocxWriter(std::filesystem::path, DocumentOpener)
{
    refuseOfficeFile();
}

std::unique_ptr<automation::ExcelApplication> makeXlsxWriter(std::filesystem::path, DocumentOpener)
{
    refuseOfficeFile();
}

} // namespace velarium::platform
