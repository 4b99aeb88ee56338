#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Reads back the office files the program writes, the way an office suite would: the zip
// container, well-formed XML, and what its members say about tables and cells.
namespace velarium::test {

// Every member of a zip file by name; raises when the file is not a readable zip.
std::map<std::string, std::string> unzipAll(const std::filesystem::path& path);

struct XmlElement
{
    std::string name; // qualified, as written ("w:tc")
    std::map<std::string, std::string> attributes;
    std::vector<std::unique_ptr<XmlElement>> children;
    std::string text; // character data directly inside, in order

    std::string attribute(std::string_view key) const;
    std::vector<const XmlElement*> childrenNamed(std::string_view childName) const;
    // Every element of that name below this one, in document order.
    std::vector<const XmlElement*> descendants(std::string_view elementName) const;
    const XmlElement* first(std::string_view elementName) const;
};

// Raises on XML that is not well-formed.
std::unique_ptr<XmlElement> parseXml(std::string_view xml);

// A Word document's tables: the number of grid columns, and each row's cell texts (paragraphs
// joined by '\n', tab stops as '\t').
struct DocxTable
{
    std::size_t gridColumns = 0;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> borders; // "top=single", ...
};
std::vector<DocxTable> readDocxTables(const std::filesystem::path& path);

struct SheetCell
{
    std::string value;
    bool isString = false;
    bool bold = false;
    std::string numberFormat; // "@", "General" or the format's code
};

struct Sheet
{
    std::string name;
    std::map<std::string, SheetCell> cells; // by reference ("A1")
    std::map<int, double> columnWidths;     // by column from 1
    std::string selection;                  // the sqref of the selection, "A1" when none
};
// The first worksheet of a workbook; raises when a member is missing or malformed.
Sheet readXlsxSheet(const std::filesystem::path& path);

} // namespace velarium::test
