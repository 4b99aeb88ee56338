#pragma once

#include "platform/ExportFolder.h"
#include "platform/OfficeExport.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The office documents as files, where no office program writes them: a .docx of one table and
// a .xlsx of one sheet, as Word and Excel would have made them for the export. Texts are
// Windows-1252, as everywhere in the program.
//
// The files hold the archive's passwords: a file made new is readable by its owner only; a
// file replaced keeps the permissions it had. Each is put in place in one step: a failure
// raises velarium::Error and leaves the target as it was.
namespace velarium::platform {

// Hands a finished file to whatever shows it; raises when nothing on this computer can.
using DocumentOpener = std::function<void(const std::filesystem::path&)>;

// The table as a Word document (cells exactly as given) written to `target`.
void writeDocx(const std::filesystem::path& target, const TextTable& table);
// The table as a workbook of the one sheet `sheet`, as the spreadsheet export leaves it:
// texts trimmed and stored as text, B1 to Q1 in bold, the columns A to Z fitted to their texts,
// A1 selected.
void writeXlsx(const std::filesystem::path& target, const TextTable& table, std::string_view sheet);

// The same, each written as a new file "Velarium-archivio-XXXXXX.docx" (".xlsx") of the export
// folder and then handed to `open`; the file is removed at once when `open` raises, since it
// holds the passwords in clear and nothing will show it.
void openDocx(ExportFolder& folder, const TextTable& table, const DocumentOpener& open);
void openXlsx(ExportFolder& folder, const TextTable& table, std::string_view sheet,
              const DocumentOpener& open);

// Writes `rows` (Windows-1252 texts) as comma-separated values in UTF-8: fields holding a
// comma, a quote, CR or LF are quoted with their quotes doubled; every line ends in CR LF.
// Replaces `target` in one step; raises velarium::Error, leaving it as it was.
void writeCsv(const std::filesystem::path& target,
              const std::vector<std::vector<std::string>>& rows);

} // namespace velarium::platform
