#include "platform/Error.h"
#include "platform/FileReplace.h"
#include "platform/OfficeFiles.h"
#include "platform/Text.h"
#include "platform/portable/OfficeParts.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>

namespace velarium::platform {
namespace {

namespace fs = std::filesystem;
using office::cellKey;
using office::Sheet;

// Word's own limits for a table.
constexpr std::size_t kMaxTableRows = 32767;
constexpr std::size_t kMaxTableColumns = 63;

// Each cell costs memory twice (here and in the writer): a bound that no archive reaches keeps
// a mistaken table from exhausting it.
constexpr std::uint64_t kMaxCells = 8'000'000;
constexpr double kMaxColumnWidth = 255;
// The export fits the columns A to Z and puts B1 to Q1 in bold, whatever the table's width,
// as it has Excel do.
constexpr int kFittedColumns = 26;
constexpr int kFirstBoldColumn = 1;
constexpr int kLastBoldColumn = 16;

std::string documentOf(const TextTable& table)
{
    const std::size_t columns = officeColumns(table);
    if (table.size() > kMaxTableRows || columns > kMaxTableColumns) {
        throw Error("Dimensioni della tabella non valide: " + std::to_string(table.size()) +
                    " righe e " + std::to_string(columns) + " colonne");
    }
    return office::docxBytes(table);
}

Sheet sheetOf(const TextTable& table, std::string_view name)
{
    const std::size_t columns = officeColumns(table);
    // Excel's own rules for a sheet's name; the text is one byte per character.
    const bool validName = !name.empty() && name.size() <= 31 &&
                           name.find_first_of("[]:*?/\\") == std::string_view::npos &&
                           name.front() != '\'' && name.back() != '\'';
    if (!validName) {
        throw Error("Nome di foglio non valido: " + cp1252ToUtf8(name));
    }
    if (table.size() > office::kSheetRows || columns > office::kSheetColumns ||
        table.size() * columns > kMaxCells) {
        throw Error("Intervallo troppo grande per il foglio di calcolo");
    }
    Sheet sheet;
    sheet.name = cp1252ToUtf8(name);
    sheet.numberFormats = {"@"};
    const TextTable texts = trimmedCells(table);
    std::map<int, std::size_t> longest;
    for (std::size_t row = 0; row < texts.size(); ++row) {
        for (std::size_t column = 0; column < columns; ++column) {
            const std::string& text = texts[row][column];
            office::Cell& cell =
                sheet.cells[cellKey({static_cast<int>(row), static_cast<int>(column)})];
            cell.text = text;
            cell.numberFormat = 0;
            if (!text.empty() && column < kFittedColumns) {
                // Windows-1252 has one byte per character.
                std::size_t& length = longest[static_cast<int>(column)];
                length = std::max(length, text.size());
            }
        }
    }
    for (int column = kFirstBoldColumn; column <= kLastBoldColumn; ++column) {
        sheet.cells[cellKey({0, column})].bold = true;
    }
    for (const auto& [column, length] : longest) {
        sheet.widths[column] = std::min(static_cast<double>(length) * 1.1 + 2, kMaxColumnWidth);
    }
    sheet.selection = office::Area{{0, 0}, {0, 0}};
    return sheet;
}

void writeWorkbookFile(const fs::path& target, const Sheet& sheet)
{
    office::writeDocumentFile(target,
                              [&](const fs::path& fresh) { office::writeWorkbook(fresh, sheet); });
}

// A file of the export folder is this program's own: it holds the passwords in clear, so it
// goes at once when nothing will show it.
template <typename Write>
void deliver(ExportFolder& folder, std::string_view extension, const DocumentOpener& open,
             Write&& write)
{
    const fs::path target = folder.newFile(extension);
    try {
        write(target);
        open(target);
    } catch (...) {
        removeQuietly(target);
        throw;
    }
}

} // namespace

void writeDocx(const fs::path& target, const TextTable& table)
{
    office::writeDocumentFile(target, documentOf(table));
}

void writeXlsx(const fs::path& target, const TextTable& table, std::string_view sheet)
{
    writeWorkbookFile(target, sheetOf(table, sheet));
}

void openDocx(ExportFolder& folder, const TextTable& table, const DocumentOpener& open)
{
    const std::string bytes = documentOf(table);
    deliver(folder, "docx", open,
            [&](const fs::path& target) { office::writeDocumentFile(target, bytes); });
}

void openXlsx(ExportFolder& folder, const TextTable& table, std::string_view sheet,
              const DocumentOpener& open)
{
    const Sheet content = sheetOf(table, sheet);
    deliver(folder, "xlsx", open,
            [&](const fs::path& target) { writeWorkbookFile(target, content); });
}

} // namespace velarium::platform
