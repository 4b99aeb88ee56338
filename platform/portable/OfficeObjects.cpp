#include "platform/Error.h"
#include "platform/FileReplace.h"
#include "platform/OfficeFiles.h"
#include "platform/Text.h"
#include "platform/portable/OfficeParts.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velarium::platform {
namespace {

namespace fs = std::filesystem;
using automation::ExcelApplication;
using automation::WordApplication;
using automation::WordDocument;
using automation::WordRange;
using automation::WordTable;
using office::Area;
using office::cellKey;
using office::CellRef;
using office::DocumentTable;
using office::docxBytes;
using office::kSheetColumns;
using office::kSheetRows;
using office::Sheet;
using office::writeDocumentFile;
using office::writeXlsx;

// Where a document goes, and who shows it afterwards.
class Destination
{
public:
    Destination(fs::path target, DocumentOpener open, std::string_view extension)
        : target_(std::move(target)), open_(std::move(open)), extension_(extension)
    {
    }
    Destination(ExportFolder& folder, DocumentOpener open, std::string_view extension)
        : folder_(&folder), open_(std::move(open)), extension_(extension)
    {
    }

    // Writes the document through `write`, which puts the complete file at the path it is
    // given, then hands the finished file to the opener.
    template <typename Write> void deliver(Write&& write)
    {
        if (!folder_ && target_.empty()) {
            throw Error("Nessun file di destinazione per il documento");
        }
        // A file of the export folder is this writer's own: it holds the passwords in clear, so
        // it goes at once when nothing will show it.
        const fs::path target = folder_ ? folder_->newFile(extension_) : target_;
        try {
            write(target);
            if (open_) {
                open_(target);
            }
        } catch (...) {
            if (folder_) {
                removeQuietly(target);
            }
            throw;
        }
    }

private:
    ExportFolder* folder_ = nullptr;
    fs::path target_;
    DocumentOpener open_;
    std::string extension_;
};

// ---------------------------------------------------------------------------------------------
// Word processor

constexpr int kMaxTableRows = 32767;
constexpr int kMaxTableColumns = 63;

struct WordState
{
    bool released = false;
    bool hasDocument = false;
    std::optional<DocumentTable> table;

    void checkUsable() const
    {
        if (released) {
            throw Error("Il programma di videoscrittura è già stato rilasciato");
        }
    }
};

class PortableWordTable : public WordTable
{
public:
    explicit PortableWordTable(std::shared_ptr<WordState> state) : state_(std::move(state)) {}

    void setCellText(int row, int column, std::string_view text) override
    {
        state_->checkUsable();
        DocumentTable& table = *state_->table;
        if (row < 1 || row > table.rows || column < 1 || column > table.columns) {
            throw Error("La cella (" + std::to_string(row) + ", " + std::to_string(column) +
                        ") non è nella tabella di " + std::to_string(table.rows) + " righe e " +
                        std::to_string(table.columns) + " colonne");
        }
        table.cells[static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(table.columns) +
                    static_cast<std::size_t>(column - 1)] = std::string(text);
    }

private:
    std::shared_ptr<WordState> state_;
};

class PortableWordDocument : public WordDocument
{
public:
    explicit PortableWordDocument(std::shared_ptr<WordState> state) : state_(std::move(state)) {}

    std::unique_ptr<WordTable> addTable(WordRange, int rows, int columns) override
    {
        state_->checkUsable();
        if (state_->table) {
            throw Error("Il documento contiene già una tabella");
        }
        if (rows < 1 || rows > kMaxTableRows || columns < 1 || columns > kMaxTableColumns) {
            throw Error("Dimensioni della tabella non valide: " + std::to_string(rows) +
                        " righe e " + std::to_string(columns) + " colonne");
        }
        state_->table = DocumentTable{rows, columns,
                                      std::vector<std::string>(static_cast<std::size_t>(rows) *
                                                               static_cast<std::size_t>(columns))};
        return std::make_unique<PortableWordTable>(state_);
    }

private:
    std::shared_ptr<WordState> state_;
};

class DocxWriter : public WordApplication
{
public:
    explicit DocxWriter(Destination destination)
        : destination_(std::move(destination)), state_(std::make_shared<WordState>())
    {
    }

    // Visibility matters only to a server with a window of its own.
    void setVisible(bool) override { state_->checkUsable(); }

    std::unique_ptr<WordDocument> addDocument() override
    {
        state_->checkUsable();
        if (state_->hasDocument) {
            throw Error("Il documento è già stato creato");
        }
        state_->hasDocument = true;
        return std::make_unique<PortableWordDocument>(state_);
    }

    WordRange selectionRange() override
    {
        state_->checkUsable();
        if (!state_->hasDocument) {
            throw Error("Nessun documento aperto");
        }
        return WordRange{};
    }

    void release() override
    {
        if (state_->released) {
            return;
        }
        // Once let go, never written twice, even when writing fails.
        state_->released = true;
        if (!state_->hasDocument) {
            return;
        }
        const std::string bytes = docxBytes(state_->table);
        destination_.deliver([&](const fs::path& target) { writeDocumentFile(target, bytes); });
    }

private:
    Destination destination_;
    std::shared_ptr<WordState> state_;
};

// ---------------------------------------------------------------------------------------------
// Spreadsheet

// Each cell of the model costs memory twice (here and in the writer): a bound that no archive
// reaches keeps a mistaken range from exhausting it.
constexpr std::uint64_t kMaxCells = 8'000'000;
constexpr double kMaxColumnWidth = 255;

// Column letters ("A", "Q", "XFD") with an optional leading '$'; the column from 0.
std::optional<int> parseColumn(std::string_view& text)
{
    if (!text.empty() && text.front() == '$') {
        text.remove_prefix(1);
    }
    int column = 0;
    std::size_t letters = 0;
    while (letters < text.size() && letters < 4) {
        const char c = text[letters];
        int value = 0;
        if (c >= 'A' && c <= 'Z') {
            value = c - 'A' + 1;
        } else if (c >= 'a' && c <= 'z') {
            value = c - 'a' + 1;
        } else {
            break;
        }
        column = column * 26 + value;
        ++letters;
    }
    if (letters == 0 || column > kSheetColumns) {
        return std::nullopt;
    }
    text.remove_prefix(letters);
    return column - 1;
}

std::optional<CellRef> parseCell(std::string_view text)
{
    const std::optional<int> column = parseColumn(text);
    if (!column) {
        return std::nullopt;
    }
    if (!text.empty() && text.front() == '$') {
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 7 || text.front() == '0') {
        return std::nullopt;
    }
    int row = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        row = row * 10 + (c - '0');
    }
    if (row > kSheetRows) {
        return std::nullopt;
    }
    return CellRef{row - 1, *column};
}

Area parseArea(std::string_view first, std::string_view last)
{
    const std::optional<CellRef> a = parseCell(first);
    const std::optional<CellRef> b = parseCell(last);
    if (!a || !b) {
        throw Error("Riferimento di cella non valido: " + cp1252ToUtf8(a ? last : first));
    }
    return Area{{std::min(a->row, b->row), std::min(a->column, b->column)},
                {std::max(a->row, b->row), std::max(a->column, b->column)}};
}

class XlsxWriter : public ExcelApplication
{
public:
    explicit XlsxWriter(Destination destination) : destination_(std::move(destination))
    {
        // Excel's name for the first sheet of a new workbook, in Italian.
        sheet_.name = "Foglio1";
    }

    void setVisible(bool) override { checkUsable(); }

    void addWorkbook(int templateKind) override
    {
        checkUsable();
        if (templateKind != automation::kWorksheetTemplate) {
            throw Error("Modello di cartella di lavoro non disponibile: " +
                        std::to_string(templateKind));
        }
        if (hasWorkbook_) {
            throw Error("La cartella di lavoro è già stata creata");
        }
        hasWorkbook_ = true;
    }

    void setSheetName(int workbook, int sheet, std::string_view name) override
    {
        checkWorkbook();
        if (workbook != 1 || sheet != 1) {
            throw Error("Foglio inesistente: cartella " + std::to_string(workbook) + ", foglio " +
                        std::to_string(sheet));
        }
        // Excel's own rules for a sheet's name; the text is one byte per character.
        const bool valid = !name.empty() && name.size() <= 31 &&
                           name.find_first_of("[]:*?/\\") == std::string_view::npos &&
                           name.front() != '\'' && name.back() != '\'';
        if (!valid) {
            throw Error("Nome di foglio non valido: " + cp1252ToUtf8(name));
        }
        sheet_.name = cp1252ToUtf8(name);
    }

    void selectRange(std::string_view first, std::string_view last) override
    {
        checkWorkbook();
        sheet_.selection = parseArea(first, last);
    }

    void setSelectionNumberFormat(std::string_view format) override
    {
        checkWorkbook();
        reserveCells(sheet_.selection);
        const int index = formatIndex(format);
        forEachCell(sheet_.selection,
                    [&](CellRef at) { sheet_.cells[cellKey(at)].numberFormat = index; });
    }

    void setRangeValue(std::string_view first, std::string_view last,
                       const std::vector<std::vector<std::string>>& values) override
    {
        checkWorkbook();
        const Area area = parseArea(first, last);
        const auto rows = static_cast<std::size_t>(area.last.row - area.first.row + 1);
        const auto columns = static_cast<std::size_t>(area.last.column - area.first.column + 1);
        const bool shapeMatches =
            values.size() == rows &&
            std::all_of(values.begin(), values.end(),
                        [&](const std::vector<std::string>& row) { return row.size() == columns; });
        if (!shapeMatches) {
            throw Error("I valori non corrispondono all'intervallo " + cp1252ToUtf8(first) + ":" +
                        cp1252ToUtf8(last));
        }
        reserveCells(area);
        forEachCell(area, [&](CellRef at) {
            sheet_.cells[cellKey(at)].text =
                values[static_cast<std::size_t>(at.row - area.first.row)]
                      [static_cast<std::size_t>(at.column - area.first.column)];
        });
    }

    void setCellBold(int row, int column, bool bold) override
    {
        checkWorkbook();
        const CellRef at = cellAt(row, column);
        reserveCells(Area{at, at});
        sheet_.cells[cellKey(at)].bold = bold;
    }

    void autoFitColumns(std::string_view columns) override
    {
        checkWorkbook();
        std::string_view text = columns;
        const std::optional<int> from = parseColumn(text);
        std::optional<int> to = from;
        if (from && !text.empty() && text.front() == ':') {
            text.remove_prefix(1);
            to = parseColumn(text);
        }
        if (!from || !to || !text.empty()) {
            throw Error("Colonne non valide: " + cp1252ToUtf8(columns));
        }
        const int low = std::min(*from, *to);
        const int high = std::max(*from, *to);
        // Fitted now, to the texts there now, as the spreadsheet itself does.
        std::map<int, std::size_t> longest;
        for (const auto& [key, cell] : sheet_.cells) {
            const int column = static_cast<int>(key % kSheetColumns);
            if (column >= low && column <= high && !cell.text.empty()) {
                // Windows-1252 has one byte per character.
                std::size_t& length = longest[column];
                length = std::max(length, cell.text.size());
            }
        }
        for (const auto& [column, length] : longest) {
            sheet_.widths[column] =
                std::min(static_cast<double>(length) * 1.1 + 2, kMaxColumnWidth);
        }
    }

    void selectCell(int row, int column) override
    {
        checkWorkbook();
        const CellRef at = cellAt(row, column);
        sheet_.selection = Area{at, at};
    }

    void release() override
    {
        if (released_) {
            return;
        }
        released_ = true;
        if (!hasWorkbook_) {
            return;
        }
        destination_.deliver([&](const fs::path& target) {
            writeDocumentFile(target, [&](const fs::path& fresh) { writeXlsx(fresh, sheet_); });
        });
    }

private:
    static CellRef cellAt(int row, int column)
    {
        if (row < 1 || row > kSheetRows || column < 1 || column > kSheetColumns) {
            throw Error("Cella inesistente: riga " + std::to_string(row) + ", colonna " +
                        std::to_string(column));
        }
        return CellRef{row - 1, column - 1};
    }

    template <typename Visit> static void forEachCell(const Area& area, Visit&& visit)
    {
        for (int row = area.first.row; row <= area.last.row; ++row) {
            for (int column = area.first.column; column <= area.last.column; ++column) {
                visit(CellRef{row, column});
            }
        }
    }

    void reserveCells(const Area& area) const
    {
        if (sheet_.cells.size() + area.cellCount() > kMaxCells) {
            throw Error("Intervallo troppo grande per il foglio di calcolo");
        }
    }

    int formatIndex(std::string_view format)
    {
        if (format.empty() || format == "General") {
            return -1;
        }
        const std::string utf8 = cp1252ToUtf8(format);
        const auto known =
            std::find(sheet_.numberFormats.begin(), sheet_.numberFormats.end(), utf8);
        if (known != sheet_.numberFormats.end()) {
            return static_cast<int>(known - sheet_.numberFormats.begin());
        }
        sheet_.numberFormats.push_back(utf8);
        return static_cast<int>(sheet_.numberFormats.size() - 1);
    }

    void checkUsable() const
    {
        if (released_) {
            throw Error("Il foglio di calcolo è già stato rilasciato");
        }
    }

    void checkWorkbook() const
    {
        checkUsable();
        if (!hasWorkbook_) {
            throw Error("Nessuna cartella di lavoro aperta");
        }
    }

    Destination destination_;
    bool released_ = false;
    bool hasWorkbook_ = false;
    Sheet sheet_;
};

} // namespace

std::unique_ptr<WordApplication> makeDocxWriter(fs::path target, DocumentOpener open)
{
    return std::make_unique<DocxWriter>(Destination(std::move(target), std::move(open), "docx"));
}

std::unique_ptr<WordApplication> makeDocxWriter(ExportFolder& folder, DocumentOpener open)
{
    return std::make_unique<DocxWriter>(Destination(folder, std::move(open), "docx"));
}

std::unique_ptr<ExcelApplication> makeXlsxWriter(fs::path target, DocumentOpener open)
{
    return std::make_unique<XlsxWriter>(Destination(std::move(target), std::move(open), "xlsx"));
}

std::unique_ptr<ExcelApplication> makeXlsxWriter(ExportFolder& folder, DocumentOpener open)
{
    return std::make_unique<XlsxWriter>(Destination(folder, std::move(open), "xlsx"));
}

} // namespace velarium::platform
