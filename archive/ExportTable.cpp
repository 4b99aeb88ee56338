#include "archive/ExportTable.h"

#include "archive/CardArchive.h"
#include "platform/Log.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdint>

namespace velarium {
namespace {

// Both servers need a rectangle: a table Word and Excel would take apart unevenly is refused
// before either is touched.
std::size_t checkedColumns(const TextTable& table)
{
    if (table.empty() || table.front().empty()) {
        throw Error("La tabella da esportare è vuota");
    }
    const std::size_t columns = table.front().size();
    const bool even = std::all_of(table.begin(), table.end(),
                                  [&](const auto& row) { return row.size() == columns; });
    if (!even) {
        throw Error("Le righe della tabella da esportare hanno lunghezze diverse");
    }
    return columns;
}

} // namespace

TextTable exportTable(CardArchive& archive)
{
    TextTable table;
    table.push_back({"", " Descrizione file", " Password", " Percorso file"});
    // Cards appended meanwhile by another copy of the program are left for the next export.
    const std::uint64_t count = archive.Count();
    archive.Seek(0);
    table.reserve(static_cast<std::size_t>(count) + 1);
    for (std::uint64_t number = 1; number <= count; ++number) {
        const FileCard card = archive.Read();
        table.push_back({std::to_string(number), std::string(trimmed(card.Description)),
                         std::string(trimmed(card.FilePassword)),
                         std::string(trimmed(card.FilePath))});
    }
    return table;
}

std::string cellReference(int row, int column)
{
    std::string letters;
    for (int rest = column; rest > 0; rest = (rest - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (rest - 1) % 26));
    }
    return letters + std::to_string(row);
}

ExcelRange excelRange(const TextTable& table)
{
    const std::size_t columns = checkedColumns(table);
    ExcelRange range;
    range.first = cellReference(1, 1);
    range.last = cellReference(static_cast<int>(table.size()), static_cast<int>(columns));
    range.values.reserve(table.size());
    for (const auto& row : table) {
        auto& values = range.values.emplace_back();
        values.reserve(row.size());
        for (const std::string& text : row) {
            values.emplace_back(trimmed(text));
        }
    }
    return range;
}

void exportToWord(automation::WordApplication& word, const TextTable& table)
{
    const std::size_t columns = checkedColumns(table);
    // The word processor shows itself at once: the user watches the table being filled.
    word.setVisible(true);
    const std::unique_ptr<automation::WordDocument> document = word.addDocument();
    const automation::WordRange place = word.selectionRange();
    const std::unique_ptr<automation::WordTable> grid =
        document->addTable(place, static_cast<int>(table.size()), static_cast<int>(columns));
    for (std::size_t row = 0; row < table.size(); ++row) {
        for (std::size_t column = 0; column < columns; ++column) {
            grid->setCellText(static_cast<int>(row + 1), static_cast<int>(column + 1),
                              table[row][column]);
        }
    }
    word.release();
}

void exportToExcel(automation::ExcelApplication& excel, const TextTable& table)
{
    const ExcelRange range = excelRange(table);
    excel.setVisible(false);
    excel.addWorkbook(automation::kWorksheetTemplate);
    excel.setSheetName(1, 1, kExportSheetName);
    excel.selectRange(range.first, range.last);
    excel.setSelectionNumberFormat("@");
    excel.setRangeValue(range.first, range.last, range.values);
    // The title cells in bold, from the second column on, over a width that leaves room for
    // more columns than the archive has.
    for (int column = 2; column <= 17; ++column) {
        excel.setCellBold(1, column, true);
    }
    excel.autoFitColumns("A:Z");
    excel.selectCell(1, 1);
    excel.setVisible(true);
    excel.release();
}

std::optional<std::string> runWordExport(const WordStarter& start, const TextTable& table)
{
    std::unique_ptr<automation::WordApplication> word;
    try {
        word = start();
    } catch (const std::exception& failure) {
        logFailure("Esporta in Word", failure);
        return kWordExportFailed;
    }
    if (!word) {
        return kWordExportFailed;
    }
    exportToWord(*word, table);
    return std::nullopt;
}

std::optional<std::string> runExcelExport(const ExcelStarter& start, const TextTable& table)
{
    try {
        const std::unique_ptr<automation::ExcelApplication> excel = start();
        if (!excel) {
            return kExcelExportFailed;
        }
        exportToExcel(*excel, table);
        return std::nullopt;
    } catch (const std::exception& failure) {
        logFailure("Esporta in Excel", failure);
        return kExcelExportFailed;
    }
}

} // namespace velarium
