#include "platform/Error.h"
#include "platform/portable/OfficeParts.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include <zip.h>

namespace velarium::platform::office {
namespace {

// An A4 page with margins of 2 cm, in twentieths of a point: the table fills its width.
constexpr int kTextWidth = 11906 - 2 * 1134;

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

// ---------------------------------------------------------------------------------------------
// Zip

struct ZipEntry
{
    const char* name;
    std::string content;
};

// A libzip error report, let go with the object.
class ZipError
{
public:
    ZipError() { zip_error_init(&error_); }
    ~ZipError() { zip_error_fini(&error_); }
    ZipError(const ZipError&) = delete;
    ZipError& operator=(const ZipError&) = delete;

    zip_error_t* get() { return &error_; }

    [[noreturn]] void raise(const zip_error_t* reason = nullptr)
    {
        if (reason != nullptr) {
            zip_error_set(&error_, zip_error_code_zip(reason), zip_error_code_system(reason));
        }
        throw Error("Impossibile comporre il documento: " +
                    std::string(zip_error_strerror(&error_)));
    }

private:
    zip_error_t error_;
};

struct SourceRelease
{
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using ZipSource = std::unique_ptr<zip_source_t, SourceRelease>;

// An archive given up unless it is closed, which writes it.
struct ArchiveDiscard
{
    void operator()(zip_t* archive) const { zip_discard(archive); }
};

// The archive is assembled in memory, so that the file is written in one go like every other.
std::string zipArchive(const std::vector<ZipEntry>& entries)
{
    ZipError error;
    const ZipSource buffer(zip_source_buffer_create(nullptr, 0, 0, error.get()));
    if (buffer == nullptr) {
        error.raise();
    }
    // A second reference, which the archive takes: the buffer stays past zip_close, which
    // would otherwise free it with the archive.
    zip_source_keep(buffer.get());
    std::unique_ptr<zip_t, ArchiveDiscard> archive(
        zip_open_from_source(buffer.get(), ZIP_TRUNCATE, error.get()));
    if (archive == nullptr) {
        // Not taken after all.
        zip_source_free(buffer.get());
        error.raise();
    }
    for (const ZipEntry& entry : entries) {
        ZipSource data(
            zip_source_buffer(archive.get(), entry.content.data(), entry.content.size(), 0));
        if (data == nullptr) {
            error.raise(zip_get_error(archive.get()));
        }
        const zip_int64_t index =
            zip_file_add(archive.get(), entry.name, data.get(), ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            error.raise(zip_get_error(archive.get()));
        }
        // The archive's own from now on.
        static_cast<void>(data.release());
        if (zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index),
                                     ZIP_CM_DEFLATE, 0) != 0) {
            error.raise(zip_get_error(archive.get()));
        }
    }
    if (zip_close(archive.get()) != 0) {
        error.raise(zip_get_error(archive.get()));
    }
    static_cast<void>(archive.release());

    std::string bytes;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_open(buffer.get()) != 0) {
        error.raise(zip_source_error(buffer.get()));
    }
    if (zip_source_stat(buffer.get(), &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0) {
        bytes.resize(stat.size);
        zip_int64_t done = 0;
        while (done < static_cast<zip_int64_t>(bytes.size())) {
            const zip_int64_t n = zip_source_read(buffer.get(), bytes.data() + done,
                                                  bytes.size() - static_cast<std::size_t>(done));
            if (n <= 0) {
                break;
            }
            done += n;
        }
        bytes.resize(static_cast<std::size_t>(done));
    }
    const bool complete = (stat.valid & ZIP_STAT_SIZE) != 0 && bytes.size() == stat.size;
    zip_source_close(buffer.get());
    if (!complete) {
        throw Error("Impossibile comporre il documento: lettura dell'archivio zip incompleta");
    }
    return bytes;
}

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

std::string documentXml(const std::vector<std::vector<std::string>>& grid)
{
    std::string xml(kXmlDeclaration);
    xml += "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
           "<w:body>";
    const int columns = static_cast<int>(grid.front().size());
    const std::string width = std::to_string(kTextWidth / columns);
    xml += "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblBorders>";
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
        xml += "<w:";
        xml += side;
        xml += " w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>";
    }
    xml += "</w:tblBorders><w:tblLayout w:type=\"fixed\"/></w:tblPr><w:tblGrid>";
    for (int column = 0; column < columns; ++column) {
        xml += "<w:gridCol w:w=\"" + width + "\"/>";
    }
    xml += "</w:tblGrid>";
    for (const auto& row : grid) {
        xml += "<w:tr>";
        for (const std::string& text : row) {
            xml += "<w:tc><w:tcPr><w:tcW w:w=\"" + width + "\" w:type=\"dxa\"/></w:tcPr>";
            appendCellParagraphs(xml, text);
            xml += "</w:tc>";
        }
        xml += "</w:tr>";
    }
    xml += "</w:tbl>";
    // A body must end with a paragraph, never with a table.
    xml += "<w:p/><w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1134\" "
           "w:right=\"1134\" w:bottom=\"1134\" w:left=\"1134\" w:header=\"709\" "
           "w:footer=\"709\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>";
    return xml;
}

} // namespace

std::string docxBytes(const std::vector<std::vector<std::string>>& table)
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
                       {"word/document.xml", documentXml(table)}});
}

} // namespace velarium::platform::office
