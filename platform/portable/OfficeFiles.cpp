#include "platform/OfficeFiles.h"

#include "platform/Error.h"
#include "platform/FileReplace.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <xlsxwriter.h>
#include <zip.h>

namespace velarium::platform {
namespace {

namespace fs = std::filesystem;
using automation::ExcelApplication;
using automation::WordApplication;
using automation::WordDocument;
using automation::WordRange;
using automation::WordTable;

// ---------------------------------------------------------------------------------------------
// Files

// Makes a rename inside `folder` survive a power cut.
void syncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The content of a file on its way to `target`: written under a hidden name beside it and
// renamed over it only when complete, so that `target` never holds half a document. Removed
// unless committed.
class PendingFile
{
public:
    explicit PendingFile(const fs::path& target)
    {
        struct stat st
        {
        };
        if (::lstat(target.c_str(), &st) == 0) {
            // Raises for a folder or a read-only file, which are not to be replaced.
            target_ = replaceableTarget(target);
            replacing_ = true;
        } else {
            target_ = target;
        }
        std::string hidden = ".";
        hidden += target_.filename().string();
        hidden += ".velarium-XXXXXX";
        std::string pattern = (target_.parent_path() / hidden).string();
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0) {
            throw SystemError("Impossibile creare un file temporaneo accanto a", target_, errno);
        }
        path_ = fs::path(pattern);
    }

    ~PendingFile()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!committed_) {
            removeQuietly(path_);
        }
    }

    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const fs::path& path() const { return path_; }

    void write(std::string_view bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                throw SystemError("Errore di scrittura nel file", path_, errno);
            }
            done += static_cast<std::size_t>(n);
        }
    }

    // Puts the complete file in the target's place.
    void commit()
    {
        if (replacing_) {
            // Takes the old file's permissions, syncs and renames.
            replaceFile(path_, target_);
        } else {
            if (::fsync(fd_) != 0) {
                throw SystemError("Errore di scrittura su disco del file", path_, errno);
            }
            if (::rename(path_.c_str(), target_.c_str()) != 0) {
                throw SystemError("Impossibile creare il file", target_, errno);
            }
            syncFolder(target_.parent_path());
        }
        committed_ = true;
    }

private:
    fs::path target_;
    fs::path path_;
    int fd_ = -1;
    bool replacing_ = false;
    bool committed_ = false;
};

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

    // Writes the document through `fill`, which puts the bytes into the file at the path it
    // is given, then hands the finished file to the opener.
    template <typename Fill> void deliver(Fill&& fill)
    {
        if (!folder_ && target_.empty()) {
            throw Error("Nessun file di destinazione per il documento");
        }
        // A file of the export folder is this writer's own: it holds the passwords in clear, so
        // it goes at once when nothing will show it.
        const fs::path target = folder_ ? folder_->newFile(extension_) : target_;
        try {
            PendingFile pending(target);
            fill(pending);
            pending.commit();
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
// Texts

// XML 1.0 admits no control character but TAB, LF and CR; any other one (only a damaged card
// holds one) becomes a blank, as the command-line tool shows it.
std::string documentText(std::string_view cp1252)
{
    std::string text = cp1252ToUtf8(cp1252);
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            c = ' ';
        }
    }
    return text;
}

void appendEscaped(std::string& xml, std::string_view text)
{
    for (const char c : text) {
        switch (c) {
        case '&':
            xml += "&amp;";
            break;
        case '<':
            xml += "&lt;";
            break;
        case '>':
            xml += "&gt;";
            break;
        case '"':
            xml += "&quot;";
            break;
        case '\'':
            xml += "&apos;";
            break;
        default:
            xml += c;
        }
    }
}

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

// ---------------------------------------------------------------------------------------------
// Zip

struct ZipEntry
{
    const char* name;
    std::string content;
};

[[noreturn]] void zipFailure(zip_error_t* error)
{
    const std::string message = zip_error_strerror(error);
    zip_error_fini(error);
    throw Error("Impossibile comporre il documento: " + message);
}

// The archive is assembled in memory, so that the file is written in one go like every other.
std::string zipArchive(const std::vector<ZipEntry>& entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (buffer == nullptr) {
        zipFailure(&error);
    }
    // Kept past zip_close, which would otherwise free it with the archive.
    zip_source_keep(buffer);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        zip_source_free(buffer);
        zipFailure(&error);
    }
    const auto fail = [&](zip_error_t* reason) {
        zip_error_set(&error, zip_error_code_zip(reason), zip_error_code_system(reason));
        zip_discard(archive);
        zip_source_free(buffer);
        zipFailure(&error);
    };
    for (const ZipEntry& entry : entries) {
        zip_source_t* data =
            zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
        if (data == nullptr) {
            fail(zip_get_error(archive));
        }
        const zip_int64_t index = zip_file_add(archive, entry.name, data, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(data);
            fail(zip_get_error(archive));
        }
        if (zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                     0) != 0) {
            fail(zip_get_error(archive));
        }
    }
    if (zip_close(archive) != 0) {
        fail(zip_get_error(archive));
    }

    std::string bytes;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_open(buffer) != 0) {
        zip_error_set(&error, zip_error_code_zip(zip_source_error(buffer)),
                      zip_error_code_system(zip_source_error(buffer)));
        zip_source_free(buffer);
        zipFailure(&error);
    }
    if (zip_source_stat(buffer, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0) {
        bytes.resize(stat.size);
        zip_int64_t done = 0;
        while (done < static_cast<zip_int64_t>(bytes.size())) {
            const zip_int64_t n = zip_source_read(buffer, bytes.data() + done,
                                                  bytes.size() - static_cast<std::size_t>(done));
            if (n <= 0) {
                break;
            }
            done += n;
        }
        bytes.resize(static_cast<std::size_t>(done));
    }
    const bool complete = (stat.valid & ZIP_STAT_SIZE) != 0 && bytes.size() == stat.size;
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&error);
    if (!complete) {
        throw Error("Impossibile comporre il documento: lettura dell'archivio zip incompleta");
    }
    return bytes;
}

// ---------------------------------------------------------------------------------------------
// Word processor

constexpr int kMaxTableRows = 32767;
constexpr int kMaxTableColumns = 63;
// An A4 page with margins of 2 cm, in twentieths of a point: the table fills its width.
constexpr int kTextWidth = 11906 - 2 * 1134;

struct WordState
{
    bool released = false;
    bool hasDocument = false;
    bool hasTable = false;
    int rows = 0;
    int columns = 0;
    std::vector<std::string> cells;

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
        if (row < 1 || row > state_->rows || column < 1 || column > state_->columns) {
            throw Error("La cella (" + std::to_string(row) + ", " + std::to_string(column) +
                        ") non è nella tabella di " + std::to_string(state_->rows) + " righe e " +
                        std::to_string(state_->columns) + " colonne");
        }
        state_
            ->cells[static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(state_->columns) +
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
        if (state_->hasTable) {
            throw Error("Il documento contiene già una tabella");
        }
        if (rows < 1 || rows > kMaxTableRows || columns < 1 || columns > kMaxTableColumns) {
            throw Error("Dimensioni della tabella non valide: " + std::to_string(rows) +
                        " righe e " + std::to_string(columns) + " colonne");
        }
        state_->hasTable = true;
        state_->rows = rows;
        state_->columns = columns;
        state_->cells.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns),
                             std::string());
        return std::make_unique<PortableWordTable>(state_);
    }

private:
    std::shared_ptr<WordState> state_;
};

// One cell's text as Word would hold it after Range.Text = text: a line break starts a new
// paragraph, a TAB is a tab stop.
void appendCellParagraphs(std::string& xml, std::string_view cp1252)
{
    const std::string text = documentText(cp1252);
    std::size_t at = 0;
    for (;;) {
        std::size_t end = text.find_first_of("\r\n", at);
        const std::string_view paragraph =
            std::string_view(text).substr(at, end == std::string::npos ? end : end - at);
        if (paragraph.empty()) {
            xml += "<w:p/>";
        } else {
            xml += "<w:p><w:r>";
            std::size_t from = 0;
            for (;;) {
                const std::size_t tab = paragraph.find('\t', from);
                const std::string_view piece =
                    paragraph.substr(from, tab == std::string_view::npos ? tab : tab - from);
                if (!piece.empty()) {
                    xml += "<w:t xml:space=\"preserve\">";
                    appendEscaped(xml, piece);
                    xml += "</w:t>";
                }
                if (tab == std::string_view::npos) {
                    break;
                }
                xml += "<w:tab/>";
                from = tab + 1;
            }
            xml += "</w:r></w:p>";
        }
        if (end == std::string::npos) {
            break;
        }
        if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
            ++end;
        }
        at = end + 1;
    }
}

constexpr std::string_view kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

std::string documentXml(const WordState& state)
{
    std::string xml(kXmlDeclaration);
    xml += "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
           "<w:body>";
    if (state.hasTable) {
        const std::string width = std::to_string(kTextWidth / state.columns);
        xml += "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblBorders>";
        for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
            xml += "<w:";
            xml += side;
            xml += " w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>";
        }
        xml += "</w:tblBorders><w:tblLayout w:type=\"fixed\"/></w:tblPr><w:tblGrid>";
        for (int column = 0; column < state.columns; ++column) {
            xml += "<w:gridCol w:w=\"" + width + "\"/>";
        }
        xml += "</w:tblGrid>";
        for (int row = 0; row < state.rows; ++row) {
            xml += "<w:tr>";
            for (int column = 0; column < state.columns; ++column) {
                xml += "<w:tc><w:tcPr><w:tcW w:w=\"" + width + "\" w:type=\"dxa\"/></w:tcPr>";
                appendCellParagraphs(xml, state.cells[static_cast<std::size_t>(row) *
                                                          static_cast<std::size_t>(state.columns) +
                                                      static_cast<std::size_t>(column)]);
                xml += "</w:tc>";
            }
            xml += "</w:tr>";
        }
        xml += "</w:tbl>";
    }
    // A body must end with a paragraph, never with a table.
    xml += "<w:p/><w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1134\" "
           "w:right=\"1134\" w:bottom=\"1134\" w:left=\"1134\" w:header=\"709\" "
           "w:footer=\"709\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>";
    return xml;
}

std::string docxBytes(const WordState& state)
{
    std::string types(kXmlDeclaration);
    types += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
             "<Default Extension=\"rels\" "
             "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
             "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
             "<Override PartName=\"/word/document.xml\" "
             "ContentType=\"application/"
             "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
             "</Types>";
    std::string relationships(kXmlDeclaration);
    relationships +=
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "officeDocument\" Target=\"word/document.xml\"/></Relationships>";
    return zipArchive({{"[Content_Types].xml", std::move(types)},
                       {"_rels/.rels", std::move(relationships)},
                       {"word/document.xml", documentXml(state)}});
}

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
        const std::string bytes = docxBytes(*state_);
        destination_.deliver([&](PendingFile& file) { file.write(bytes); });
    }

private:
    Destination destination_;
    std::shared_ptr<WordState> state_;
};

// ---------------------------------------------------------------------------------------------
// Spreadsheet

constexpr int kMaxRows = 1'048'576;
constexpr int kMaxColumns = 16'384;
// Each cell of the model costs memory twice (here and in the writer): a bound that no archive
// reaches keeps a mistaken range from exhausting it.
constexpr std::uint64_t kMaxCells = 8'000'000;
constexpr double kMaxColumnWidth = 255;

struct CellRef
{
    int row = 0; // from 0
    int column = 0;
};

struct Area
{
    CellRef first;
    CellRef last;

    std::uint64_t cellCount() const
    {
        return static_cast<std::uint64_t>(last.row - first.row + 1) *
               static_cast<std::uint64_t>(last.column - first.column + 1);
    }
};

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
    if (letters == 0 || column > kMaxColumns) {
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
    if (row > kMaxRows) {
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

struct Cell
{
    std::string text; // Windows-1252
    int numberFormat = -1;
    bool bold = false;
};

class XlsxWriter : public ExcelApplication
{
public:
    explicit XlsxWriter(Destination destination) : destination_(std::move(destination)) {}

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
        sheetName_ = cp1252ToUtf8(name);
    }

    void selectRange(std::string_view first, std::string_view last) override
    {
        checkWorkbook();
        selection_ = parseArea(first, last);
    }

    void setSelectionNumberFormat(std::string_view format) override
    {
        checkWorkbook();
        reserveCells(selection_);
        const int index = formatIndex(format);
        forEachCell(selection_, [&](CellRef at) { cells_[key(at)].numberFormat = index; });
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
            cells_[key(at)].text = values[static_cast<std::size_t>(at.row - area.first.row)]
                                         [static_cast<std::size_t>(at.column - area.first.column)];
        });
    }

    void setCellBold(int row, int column, bool bold) override
    {
        checkWorkbook();
        const CellRef at = cellAt(row, column);
        reserveCells(Area{at, at});
        cells_[key(at)].bold = bold;
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
        for (const auto& [cellKey, cell] : cells_) {
            const int column = static_cast<int>(cellKey % kMaxColumns);
            if (column >= low && column <= high && !cell.text.empty()) {
                // Windows-1252 has one byte per character.
                std::size_t& length = longest[column];
                length = std::max(length, cell.text.size());
            }
        }
        for (const auto& [column, length] : longest) {
            widths_[column] = std::min(static_cast<double>(length) * 1.1 + 2, kMaxColumnWidth);
        }
    }

    void selectCell(int row, int column) override
    {
        checkWorkbook();
        const CellRef at = cellAt(row, column);
        selection_ = Area{at, at};
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
        destination_.deliver([&](PendingFile& file) { write(file.path()); });
    }

private:
    static std::uint64_t key(CellRef at)
    {
        return static_cast<std::uint64_t>(at.row) * kMaxColumns +
               static_cast<std::uint64_t>(at.column);
    }

    static CellRef cellAt(int row, int column)
    {
        if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) {
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
        if (cells_.size() + area.cellCount() > kMaxCells) {
            throw Error("Intervallo troppo grande per il foglio di calcolo");
        }
    }

    int formatIndex(std::string_view format)
    {
        if (format.empty() || format == "General") {
            return -1;
        }
        const std::string utf8 = cp1252ToUtf8(format);
        const auto known = std::find(numberFormats_.begin(), numberFormats_.end(), utf8);
        if (known != numberFormats_.end()) {
            return static_cast<int>(known - numberFormats_.begin());
        }
        numberFormats_.push_back(utf8);
        return static_cast<int>(numberFormats_.size() - 1);
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

    // The whole workbook, built only now: a failure midway leaves no file behind.
    void write(const fs::path& path) const
    {
        lxw_workbook* workbook = workbook_new(path.c_str());
        if (workbook == nullptr) {
            throw Error("Impossibile creare la cartella di lavoro");
        }
        try {
            fill(workbook);
        } catch (...) {
            lxw_workbook_free(workbook);
            throw;
        }
        const lxw_error closed = workbook_close(workbook);
        if (closed != LXW_NO_ERROR) {
            throw Error(std::string("Impossibile scrivere la cartella di lavoro: ") +
                        lxw_strerror(closed));
        }
    }

    void fill(lxw_workbook* workbook) const
    {
        lxw_worksheet* sheet = workbook_add_worksheet(workbook, sheetName_.c_str());
        if (sheet == nullptr) {
            throw Error("Impossibile creare il foglio " + sheetName_);
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
                        numberFormats_[static_cast<std::size_t>(cell.numberFormat)].c_str());
                }
                if (cell.bold) {
                    format_set_bold(format);
                }
            }
            return format;
        };
        for (const auto& [cellKey, cell] : cells_) {
            const auto row = static_cast<lxw_row_t>(cellKey / kMaxColumns);
            const auto column = static_cast<lxw_col_t>(cellKey % kMaxColumns);
            lxw_format* format = formatFor(cell);
            if (!cell.text.empty()) {
                // Always a string: "007" stays "007", never the number 7.
                const std::string text = spreadsheetText(cell.text);
                check(worksheet_write_string(sheet, row, column, text.c_str(), format));
            } else if (format != nullptr) {
                check(worksheet_write_blank(sheet, row, column, format));
            }
        }
        for (const auto& [column, width] : widths_) {
            const auto col = static_cast<lxw_col_t>(column);
            check(worksheet_set_column(sheet, col, col, width, nullptr));
        }
        worksheet_set_selection(sheet, static_cast<lxw_row_t>(selection_.first.row),
                                static_cast<lxw_col_t>(selection_.first.column),
                                static_cast<lxw_row_t>(selection_.last.row),
                                static_cast<lxw_col_t>(selection_.last.column));
    }

    Destination destination_;
    bool released_ = false;
    bool hasWorkbook_ = false;
    // Excel's name for the first sheet of a new workbook, in Italian.
    std::string sheetName_ = "Foglio1";
    Area selection_{};
    std::unordered_map<std::uint64_t, Cell> cells_;
    std::vector<std::string> numberFormats_;
    std::map<int, double> widths_;
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

void writeCsv(const fs::path& target, const std::vector<std::vector<std::string>>& rows)
{
    std::string csv;
    for (const std::vector<std::string>& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) {
                csv += ',';
            }
            const std::string field = cp1252ToUtf8(row[i]);
            if (field.find_first_of(",\"\r\n") == std::string::npos) {
                csv += field;
                continue;
            }
            csv += '"';
            for (const char c : field) {
                if (c == '"') {
                    csv += '"';
                }
                csv += c;
            }
            csv += '"';
        }
        csv += "\r\n";
    }
    PendingFile file(target);
    file.write(csv);
    file.commit();
}

} // namespace velarium::platform
