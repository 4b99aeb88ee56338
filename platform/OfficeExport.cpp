#include "platform/OfficeExport.h"

#include "platform/Text.h"

#include <algorithm>

namespace velarium::platform {

std::size_t officeColumns(const TextTable& table)
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

TextTable trimmedCells(const TextTable& table)
{
    TextTable trimmedTable;
    trimmedTable.reserve(table.size());
    for (const auto& row : table) {
        auto& cells = trimmedTable.emplace_back();
        cells.reserve(row.size());
        for (const std::string& text : row) {
            cells.emplace_back(trimmed(text));
        }
    }
    return trimmedTable;
}

} // namespace velarium::platform
