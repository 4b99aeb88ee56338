#pragma once

#include "platform/Error.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The members of the office automation servers that the archive export calls, and nothing
// more: on Windows they reach Microsoft Word and Excel through COM; the portable backend writes
// the same document as a .docx or .xlsx file and hands it to the desktop's default application.
// Texts are Windows-1252, as everywhere in the program.
namespace velarium::automation {

// The server cannot be started: no such application on this computer.
class Unavailable : public Error
{
public:
    using Error::Error;
};

// A place in a document where a table can go (the word processor's Selection.Range).
struct WordRange
{
    int start = 0;
    // The server's own range object, where the backend has one.
    std::shared_ptr<void> native;
};

class WordTable
{
public:
    virtual ~WordTable() = default;
    // Cell(row, column).Range.Text = text; rows and columns count from 1.
    virtual void setCellText(int row, int column, std::string_view text) = 0;
};

class WordDocument
{
public:
    virtual ~WordDocument() = default;
    // Tables.Add(range, rows, columns).
    virtual std::unique_ptr<WordTable> addTable(WordRange range, int rows, int columns) = 0;
};

// "Word.Application".
class WordApplication
{
public:
    virtual ~WordApplication() = default;
    virtual void setVisible(bool visible) = 0;
    // Documents.Add().
    virtual std::unique_ptr<WordDocument> addDocument() = 0;
    // Selection.Range.
    virtual WordRange selectionRange() = 0;
    // Lets go of the server, which stays open with the unsaved document.
    virtual void release() = 0;
};

// Excel's value for a new workbook of one worksheet.
inline constexpr int kWorksheetTemplate = -4167;

// "Excel.Application". Cells are named as Excel names them: "A1", "D11".
class ExcelApplication
{
public:
    virtual ~ExcelApplication() = default;
    virtual void setVisible(bool visible) = 0;
    // Workbooks.Add(template).
    virtual void addWorkbook(int templateKind) = 0;
    // Workbooks(workbook).WorkSheets(sheet).Name = name.
    virtual void setSheetName(int workbook, int sheet, std::string_view name) = 0;
    // Range(first, last).Select on the first sheet.
    virtual void selectRange(std::string_view first, std::string_view last) = 0;
    // Selection.NumberFormat = format.
    virtual void setSelectionNumberFormat(std::string_view format) = 0;
    // Range(first, last).Value = values, row by row.
    virtual void setRangeValue(std::string_view first, std::string_view last,
                               const std::vector<std::vector<std::string>>& values) = 0;
    // Cells(row, column).Font.Bold = bold.
    virtual void setCellBold(int row, int column, bool bold) = 0;
    // Columns(columns).EntireColumn.AutoFit.
    virtual void autoFitColumns(std::string_view columns) = 0;
    // Cells(row, column).Select.
    virtual void selectCell(int row, int column) = 0;
    // Lets go of the server, which stays open with the unsaved workbook.
    virtual void release() = 0;
};

#ifdef _WIN32
// Microsoft Word and Excel themselves, a new instance each time, through COM. Raise
// Unavailable when the computer has no such server or it will not start.
std::unique_ptr<WordApplication> startWord();
std::unique_ptr<ExcelApplication> startExcel();
#endif

} // namespace velarium::automation
