// The export's members of Word and Excel, called by name through the servers' dispatch
// interfaces, in the order the export makes them.

#include "platform/win32/OfficeAutomation.h"

namespace velarium::platform::win32 {
namespace {

// Excel's value for a new workbook of one worksheet.
constexpr int kWorksheetTemplate = -4167;

} // namespace

std::string cellReference(int row, int column)
{
    std::string letters;
    for (int rest = column; rest > 0; rest = (rest - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (rest - 1) % 26));
    }
    return letters + std::to_string(row);
}

void showInWord(const Dispatch& word, const TextTable& table)
{
    const auto columns = static_cast<int>(officeColumns(table));
    const auto rows = static_cast<int>(table.size());
    word.put(L"Visible", Variant(true));
    const Dispatch document = word.get(L"Documents").get(L"Add");
    const Dispatch place = word.get(L"Selection").get(L"Range");
    const Dispatch grid =
        document.get(L"Tables").get(L"Add", {Variant(place), Variant(rows), Variant(columns)});
    for (int row = 1; row <= rows; ++row) {
        const auto& texts = table[static_cast<std::size_t>(row - 1)];
        for (int column = 1; column <= columns; ++column) {
            const std::string_view text = texts[static_cast<std::size_t>(column - 1)];
            grid.get(L"Cell", {Variant(row), Variant(column)})
                .get(L"Range")
                .put(L"Text", Variant(text));
        }
    }
    // Word stays open with its document; only our references go, with this call.
}

void showInExcel(const Dispatch& excel, const TextTable& table, std::string_view sheet)
{
    const auto columns = static_cast<int>(officeColumns(table));
    const std::string first = cellReference(1, 1);
    const std::string last = cellReference(static_cast<int>(table.size()), columns);
    const TextTable values = trimmedCells(table);

    // Excel works hidden until the sheet is complete.
    excel.put(L"Visible", Variant(false));
    excel.get(L"Workbooks").call(L"Add", {Variant(kWorksheetTemplate)});
    const Dispatch named = excel.get(L"Workbooks", {Variant(1)}).get(L"WorkSheets", {Variant(1)});
    named.put(L"Name", Variant(sheet));
    named.get(L"Range", {Variant(std::string_view(first)), Variant(std::string_view(last))})
        .call(L"Select");
    // Text, so that card numbers and number-like passwords are kept as typed.
    excel.get(L"Selection").put(L"NumberFormat", Variant(std::string_view("@")));
    named.get(L"Range", {Variant(std::string_view(first)), Variant(std::string_view(last))})
        .put(L"Value", Variant::table(values));
    // The title cells in bold, from the second column on, over a width that leaves room for
    // more columns than the archive has.
    for (int column = 2; column <= 17; ++column) {
        excel.get(L"Cells", {Variant(1), Variant(column)}).get(L"Font").put(L"Bold", Variant(true));
    }
    excel.get(L"Columns", {Variant(std::string_view("A:Z"))}).get(L"EntireColumn").call(L"AutoFit");
    excel.get(L"Cells", {Variant(1), Variant(1)}).call(L"Select");
    excel.put(L"Visible", Variant(true));
    // Excel stays open with its workbook; only our references go.
}

void showInWord(const TextTable& table)
{
    officeColumns(table);
    // COM must run before the server is asked for, and for as long as it is used.
    const ComApartment com;
    const Dispatch word = Dispatch::create(L"Word.Application");
    showInWord(word, table);
}

void showInExcel(const TextTable& table, std::string_view sheet)
{
    officeColumns(table);
    const ComApartment com;
    const Dispatch excel = Dispatch::create(L"Excel.Application");
    showInExcel(excel, table, sheet);
}

} // namespace velarium::platform::win32
