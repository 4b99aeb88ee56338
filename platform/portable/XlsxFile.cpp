#include "platform/Error.h"
#include "platform/portable/OfficeParts.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <xlsxwriter.h>

namespace velarium::platform::office {
namespace {

// A cell's text for the spreadsheet. Its files spell a control character as "_xHHHH_" (the
// writer does so for the ones left), so a text that holds such a sequence itself must have its
// underscore spelled "_x005F_", or it would come back as a different character.
std::string spreadsheetText(std::string_view cp1252)
{
    const std::string text = documentText(cp1252);
    const auto isHex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool sequence = text.compare(i, 2, "_x") == 0 && i + 6 < text.size() &&
                              text[i + 6] == '_' &&
                              std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i + 2),
                                          text.begin() + static_cast<std::ptrdiff_t>(i + 6), isHex);
        escaped += sequence ? "_x005F" : "";
        escaped += text[i];
    }
    return escaped;
}

struct WorkbookRelease
{
    void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};

void fill(lxw_workbook* workbook, const Sheet& content)
{
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, content.name.c_str());
    if (sheet == nullptr) {
        throw Error("Impossibile creare il foglio " + content.name);
    }
    const auto check = [](lxw_error result) {
        if (result != LXW_NO_ERROR) {
            throw Error(std::string("Impossibile scrivere il foglio di calcolo: ") +
                        lxw_strerror(result));
        }
    };
    std::map<std::pair<int, bool>, lxw_format*> formats;
    const auto formatFor = [&](const Cell& cell) -> lxw_format* {
        if (cell.numberFormat < 0 && !cell.bold) {
            return nullptr;
        }
        lxw_format*& format = formats[{cell.numberFormat, cell.bold}];
        if (format == nullptr) {
            format = workbook_add_format(workbook);
            if (format == nullptr) {
                throw Error("Impossibile creare un formato di cella");
            }
            if (cell.numberFormat >= 0) {
                format_set_num_format(
                    format,
                    content.numberFormats[static_cast<std::size_t>(cell.numberFormat)].c_str());
            }
            if (cell.bold) {
                format_set_bold(format);
            }
        }
        return format;
    };
    for (const auto& [key, cell] : content.cells) {
        const auto row = static_cast<lxw_row_t>(key / kSheetColumns);
        const auto column = static_cast<lxw_col_t>(key % kSheetColumns);
        lxw_format* format = formatFor(cell);
        if (!cell.text.empty()) {
            // Always a string: "007" stays "007", never the number 7.
            const std::string text = spreadsheetText(cell.text);
            check(worksheet_write_string(sheet, row, column, text.c_str(), format));
        } else if (format != nullptr) {
            check(worksheet_write_blank(sheet, row, column, format));
        }
    }
    for (const auto& [column, width] : content.widths) {
        const auto col = static_cast<lxw_col_t>(column);
        check(worksheet_set_column(sheet, col, col, width, nullptr));
    }
    worksheet_set_selection(sheet, static_cast<lxw_row_t>(content.selection.first.row),
                            static_cast<lxw_col_t>(content.selection.first.column),
                            static_cast<lxw_row_t>(content.selection.last.row),
                            static_cast<lxw_col_t>(content.selection.last.column));
}

} // namespace

// The whole workbook, built only now: a failure midway leaves no file behind.
void writeWorkbook(const std::filesystem::path& path, const Sheet& sheet)
{
    std::unique_ptr<lxw_workbook, WorkbookRelease> workbook(workbook_new(path.c_str()));
    if (workbook == nullptr) {
        throw Error("Impossibile creare la cartella di lavoro");
    }
    fill(workbook.get(), sheet);
    // Closing writes the file and frees the workbook, whatever its outcome.
    const lxw_error closed = workbook_close(workbook.release());
    if (closed != LXW_NO_ERROR) {
        throw Error(std::string("Impossibile scrivere la cartella di lavoro: ") +
                    lxw_strerror(closed));
    }
}

} // namespace velarium::platform::office
