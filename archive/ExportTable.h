#pragma once

#include "platform/Automation.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The archive as a table for a word processor, a spreadsheet or a CSV file, and the calls that
// hand it to the office servers: the window and the command-line tool drive them alike.
namespace velarium {

class CardArchive;

// Rows of Windows-1252 texts, all of the same length.
using TextTable = std::vector<std::vector<std::string>>;

// The sheet the spreadsheet export fills.
inline constexpr const char* kExportSheetName = "Archivio file criptati";

// The title row {"", " Descrizione file", " Password", " Percorso file"}, then one row per
// card in archive order: its number, description, password and path, each trimmed. The
// confirmation of the password stays out. Reads an open archive from its first card to the
// last one counted at the start, leaving the position behind it.
TextTable exportTable(CardArchive& archive);

// Excel's name of a cell, rows and columns from 1: the column letter is 64 + column ("A1",
// "D11"); past Z the names go on as Excel's do ("AA1").
std::string cellReference(int row, int column);

// What the spreadsheet receives for a table: the range from A1 to its last cell, and the texts
// trimmed of blanks at both ends.
struct ExcelRange
{
    std::string first;
    std::string last;
    TextTable values;
};
ExcelRange excelRange(const TextTable& table);

// Puts the table into a new Word document, one cell per text as it is, shows the document and
// lets go of the server. Raises velarium::Error for an empty or ragged table; whatever the
// server raises goes through.
void exportToWord(automation::WordApplication& word, const TextTable& table);

// Puts the table into a new workbook, on the sheet kExportSheetName, as text (number format
// "@", so that "007" stays "007"), the titles in bold, the columns fitted to their texts; shows
// it and lets go of the server. Raises as exportToWord does.
void exportToExcel(automation::ExcelApplication& excel, const TextTable& table);

// The export commands' messages, in Windows-1252.
inline constexpr const char* kWordExportFailed =
    "Attenzione: il sistema non consente di creare il file di Microsoft Word.\n\r\n\r"
    "Esportazione dati non riuscita.";
inline constexpr const char* kExcelExportFailed =
    "Si \xE8 verificato un errore durante l'esportazione dei dati in Excel.\r\n\r\n"
    "Accertarsi che il pacchetto Microsoft Office sia installato sul proprio computer.";

using WordStarter = std::function<std::unique_ptr<automation::WordApplication>()>;
using ExcelStarter = std::function<std::unique_ptr<automation::ExcelApplication>()>;

// The "Esporta in Word" command: starts the word processor and exports the table. Returns
// kWordExportFailed when it cannot be started; once it runs, failures are not this command's
// to report and are raised.
std::optional<std::string> runWordExport(const WordStarter& start, const TextTable& table);

// The "Esporta in Excel" command: returns kExcelExportFailed for any failure, the start
// included. Whatever the spreadsheet had done by then stays as it left it.
std::optional<std::string> runExcelExport(const ExcelStarter& start, const TextTable& table);

} // namespace velarium
