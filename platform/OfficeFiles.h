#pragma once

#include "platform/Automation.h"
#include "platform/ExportFolder.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The office automation servers where there is no COM: each call is recorded as the server
// would carry it out, and release() saves the result as a genuine .docx or .xlsx file that the
// desktop's default application then opens: the user ends up, as with Word or Excel, in front
// of the new document.
//
// The files hold the archive's passwords: a file made new is readable by its owner only; a
// file replaced keeps the permissions it had.
namespace velarium::platform {

// Hands a finished file to whatever shows it; raises automation::Unavailable when nothing on
// this computer can open it.
using DocumentOpener = std::function<void(const std::filesystem::path&)>;

// A word processor whose documents are saved on release() as `target` and then given to
// `open`, when set. The portable document holds at most one table; calls that cannot be
// carried out raise velarium::Error, and so does a failure to write, which leaves `target` as
// it was. Nothing is written without release() or without a document; after release() a
// further release() does nothing and every other call raises.
std::unique_ptr<automation::WordApplication> makeDocxWriter(std::filesystem::path target,
                                                            DocumentOpener open);
// The same, saved as a new file "Velarium-archivio-XXXXXX.docx" of the export folder, which is
// removed at once when `open` raises.
std::unique_ptr<automation::WordApplication> makeDocxWriter(ExportFolder& folder,
                                                            DocumentOpener open);

// The same for a spreadsheet, saved as .xlsx. One workbook of one worksheet; values are always
// stored as text, exactly as given.
std::unique_ptr<automation::ExcelApplication> makeXlsxWriter(std::filesystem::path target,
                                                             DocumentOpener open);
std::unique_ptr<automation::ExcelApplication> makeXlsxWriter(ExportFolder& folder,
                                                             DocumentOpener open);

// Writes `rows` (Windows-1252 texts) as comma-separated values in UTF-8: fields holding a
// comma, a quote, CR or LF are quoted with their quotes doubled; every line ends in CR LF.
// Replaces `target` in one step; raises velarium::Error, leaving it as it was.
void writeCsv(const std::filesystem::path& target,
              const std::vector<std::vector<std::string>>& rows);

} // namespace velarium::platform
