#include "OfficeReader.h"

#include <expat.h>
#include <stdexcept>
#include <zip.h>

namespace velarium::test {

std::map<std::string, std::string> unzipAll(const std::filesystem::path& path)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (archive == nullptr) {
        throw std::runtime_error("not a zip file: " + path.string());
    }
    std::map<std::string, std::string> members;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t stat;
        zip_file_t* file = nullptr;
        if (zip_stat_index(archive, index, 0, &stat) != 0 ||
            (file = zip_fopen_index(archive, index, 0)) == nullptr) {
            zip_discard(archive);
            throw std::runtime_error("unreadable zip member in " + path.string());
        }
        std::string content(stat.size, '\0');
        const zip_int64_t read = zip_fread(file, content.data(), content.size());
        zip_fclose(file);
        if (read != static_cast<zip_int64_t>(content.size())) {
            zip_discard(archive);
            throw std::runtime_error("truncated zip member " + std::string(stat.name));
        }
        members.emplace(stat.name, std::move(content));
    }
    zip_discard(archive);
    return members;
}

std::string XmlElement::attribute(std::string_view key) const
{
    const auto found = attributes.find(std::string(key));
    return found == attributes.end() ? std::string() : found->second;
}

std::vector<const XmlElement*> XmlElement::childrenNamed(std::string_view childName) const
{
    std::vector<const XmlElement*> found;
    for (const auto& child : children) {
        if (child->name == childName) {
            found.push_back(child.get());
        }
    }
    return found;
}

std::vector<const XmlElement*> XmlElement::descendants(std::string_view elementName) const
{
    std::vector<const XmlElement*> found;
    for (const auto& child : children) {
        if (child->name == elementName) {
            found.push_back(child.get());
        }
        const auto below = child->descendants(elementName);
        found.insert(found.end(), below.begin(), below.end());
    }
    return found;
}

const XmlElement* XmlElement::first(std::string_view elementName) const
{
    const auto found = descendants(elementName);
    return found.empty() ? nullptr : found.front();
}

namespace {

struct ParseState
{
    std::unique_ptr<XmlElement> root;
    std::vector<XmlElement*> open;
};

void XMLCALL startElement(void* data, const XML_Char* name, const XML_Char** attributes)
{
    auto& state = *static_cast<ParseState*>(data);
    auto element = std::make_unique<XmlElement>();
    element->name = name;
    for (int i = 0; attributes[i] != nullptr; i += 2) {
        element->attributes[attributes[i]] = attributes[i + 1];
    }
    XmlElement* raw = element.get();
    if (state.open.empty()) {
        state.root = std::move(element);
    } else {
        state.open.back()->children.push_back(std::move(element));
    }
    state.open.push_back(raw);
}

void XMLCALL endElement(void* data, const XML_Char*)
{
    static_cast<ParseState*>(data)->open.pop_back();
}

void XMLCALL characters(void* data, const XML_Char* text, int length)
{
    auto& state = *static_cast<ParseState*>(data);
    if (!state.open.empty()) {
        state.open.back()->text.append(text, static_cast<std::size_t>(length));
    }
}

std::unique_ptr<XmlElement> parseMember(const std::map<std::string, std::string>& members,
                                        const std::string& name)
{
    const auto found = members.find(name);
    if (found == members.end()) {
        throw std::runtime_error("missing member " + name);
    }
    return parseXml(found->second);
}

// The text of a shared string: its runs' texts, with Excel's _xHHHH_ escapes undone.
std::string stringItemText(const XmlElement& item)
{
    std::string raw;
    for (const XmlElement* t : item.descendants("t")) {
        raw += t->text;
    }
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw.compare(i, 2, "_x") == 0 && i + 6 < raw.size() && raw[i + 6] == '_') {
            const std::string hex = raw.substr(i + 2, 4);
            if (hex.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
                const unsigned long code = std::stoul(hex, nullptr, 16);
                if (code < 0x80) {
                    text += static_cast<char>(code);
                } else if (code < 0x800) {
                    text += static_cast<char>(0xC0 | (code >> 6));
                    text += static_cast<char>(0x80 | (code & 0x3F));
                } else {
                    text += static_cast<char>(0xE0 | (code >> 12));
                    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                    text += static_cast<char>(0x80 | (code & 0x3F));
                }
                i += 6;
                continue;
            }
        }
        text += raw[i];
    }
    return text;
}

} // namespace

std::unique_ptr<XmlElement> parseXml(std::string_view xml)
{
    ParseState state;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, &startElement, &endElement);
    XML_SetCharacterDataHandler(parser, &characters);
    const bool parsed =
        XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
    const std::string problem = parsed ? "" : XML_ErrorString(XML_GetErrorCode(parser));
    XML_ParserFree(parser);
    if (!parsed || !state.root) {
        throw std::runtime_error("XML not well-formed: " + problem);
    }
    return std::move(state.root);
}

std::vector<DocxTable> readDocxTables(const std::filesystem::path& path)
{
    const auto members = unzipAll(path);
    // The members an office suite looks for first must be there and well-formed.
    parseMember(members, "[Content_Types].xml");
    parseMember(members, "_rels/.rels");
    const auto document = parseMember(members, "word/document.xml");
    std::vector<DocxTable> tables;
    for (const XmlElement* tbl : document->descendants("w:tbl")) {
        DocxTable table;
        for (const XmlElement* grid : tbl->childrenNamed("w:tblGrid")) {
            table.gridColumns += grid->childrenNamed("w:gridCol").size();
        }
        if (const XmlElement* borders = tbl->first("w:tblBorders")) {
            for (const auto& side : borders->children) {
                table.borders.push_back(side->name.substr(2) + "=" + side->attribute("w:val"));
            }
        }
        for (const XmlElement* tr : tbl->childrenNamed("w:tr")) {
            auto& row = table.rows.emplace_back();
            for (const XmlElement* tc : tr->childrenNamed("w:tc")) {
                std::string text;
                const auto paragraphs = tc->childrenNamed("w:p");
                for (std::size_t p = 0; p < paragraphs.size(); ++p) {
                    if (p > 0) {
                        text += '\n';
                    }
                    for (const XmlElement* run : paragraphs[p]->childrenNamed("w:r")) {
                        for (const auto& piece : run->children) {
                            if (piece->name == "w:t") {
                                text += piece->text;
                            } else if (piece->name == "w:tab") {
                                text += '\t';
                            }
                        }
                    }
                }
                row.push_back(std::move(text));
            }
        }
        tables.push_back(std::move(table));
    }
    return tables;
}

Sheet readXlsxSheet(const std::filesystem::path& path)
{
    const auto members = unzipAll(path);
    parseMember(members, "[Content_Types].xml");
    const auto workbook = parseMember(members, "xl/workbook.xml");
    const auto worksheet = parseMember(members, "xl/worksheets/sheet1.xml");
    const auto styles = parseMember(members, "xl/styles.xml");

    Sheet sheet;
    if (const XmlElement* first = workbook->first("sheet")) {
        sheet.name = first->attribute("name");
    }

    std::vector<std::string> strings;
    if (members.count("xl/sharedStrings.xml") != 0) {
        const auto shared = parseMember(members, "xl/sharedStrings.xml");
        for (const XmlElement* item : shared->childrenNamed("si")) {
            strings.push_back(stringItemText(*item));
        }
    }

    std::map<int, std::string> formatCodes = {{0, "General"}, {49, "@"}};
    for (const XmlElement* format : styles->descendants("numFmt")) {
        formatCodes[std::stoi(format->attribute("numFmtId"))] = format->attribute("formatCode");
    }
    std::vector<bool> boldFonts;
    if (const XmlElement* fonts = styles->first("fonts")) {
        for (const XmlElement* font : fonts->childrenNamed("font")) {
            boldFonts.push_back(!font->childrenNamed("b").empty());
        }
    }
    struct Style
    {
        std::string numberFormat;
        bool bold = false;
    };
    std::vector<Style> cellStyles;
    if (const XmlElement* xfs = styles->first("cellXfs")) {
        for (const XmlElement* xf : xfs->childrenNamed("xf")) {
            const int numFmtId = std::stoi(xf->attribute("numFmtId"));
            const auto font = static_cast<std::size_t>(std::stoi(xf->attribute("fontId")));
            cellStyles.push_back({formatCodes.count(numFmtId) != 0 ? formatCodes[numFmtId]
                                                                   : std::to_string(numFmtId),
                                  font < boldFonts.size() && boldFonts[font]});
        }
    }

    for (const XmlElement* c : worksheet->descendants("c")) {
        SheetCell cell;
        const std::string type = c->attribute("t");
        const XmlElement* v = c->first("v");
        if (type == "s" && v != nullptr) {
            cell.isString = true;
            cell.value = strings.at(static_cast<std::size_t>(std::stoul(v->text)));
        } else if (type == "inlineStr") {
            cell.isString = true;
            cell.value = stringItemText(*c);
        } else if (v != nullptr) {
            cell.value = v->text;
        }
        const std::string s = c->attribute("s");
        const Style style = cellStyles.at(s.empty() ? 0 : std::stoul(s));
        cell.numberFormat = style.numberFormat;
        cell.bold = style.bold;
        sheet.cells[c->attribute("r")] = cell;
    }
    for (const XmlElement* col : worksheet->descendants("col")) {
        for (int n = std::stoi(col->attribute("min")); n <= std::stoi(col->attribute("max")); ++n) {
            sheet.columnWidths[n] = std::stod(col->attribute("width"));
        }
    }
    sheet.selection = "A1";
    if (const XmlElement* selection = worksheet->first("selection")) {
        sheet.selection = selection->attribute("sqref");
    }
    return sheet;
}

} // namespace velarium::test
