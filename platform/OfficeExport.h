#pragma once

#include "platform/Error.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velarium {

// Rows of Windows-1252 texts, all of the same length: what the office exports take, the title
// row first.
using TextTable = std::vector<std::vector<std::string>>;

} // namespace velarium

namespace velarium::platform {

// No application on this computer can take the table, or it will not start. Raised before
// anything has been shown or written, so the caller may offer another way.
class OfficeUnavailable : public Error
{
public:
    using Error::Error;
};

// The office programs as the archive export asks for them: Microsoft Word and Excel through
// COM on Windows, a .docx or .xlsx file opened by the desktop's own application elsewhere.
class OfficeExport
{
public:
    virtual ~OfficeExport() = default;

    // The table in a new word-processor document, one cell per text exactly as given, left
    // open and unsaved in front of the user. Raises OfficeUnavailable when nothing here can
    // show it; once the application runs, whatever fails is raised as it is.
    virtual void showInWordProcessor(const TextTable& table) = 0;
    // The table in a new spreadsheet, on a sheet named `sheet`: every text trimmed of blanks at
    // both ends and kept as text ("007" stays "007"), the titles in bold, the columns fitted to
    // their texts. Raises as showInWordProcessor does.
    virtual void showInSpreadsheet(const TextTable& table, std::string_view sheet) = 0;

    // Whether the two below can write at all: on Windows, Word and Excel write their documents
    // themselves and nothing else here can.
    virtual bool canWriteFiles() const = 0;
    // The same documents written to `target` instead, shown to nobody. Raises Error, leaving
    // `target` as it was.
    virtual void writeWordFile(const std::filesystem::path& target, const TextTable& table) = 0;
    virtual void writeSpreadsheetFile(const std::filesystem::path& target, const TextTable& table,
                                      std::string_view sheet) = 0;
};

// Word and Excel both need a rectangle: the column count of a table that is one; Error for an
// empty or ragged table, raised before either application is touched.
std::size_t officeColumns(const TextTable& table);

// The texts as the spreadsheet receives them: trimmed of blanks at both ends.
TextTable trimmedCells(const TextTable& table);

} // namespace velarium::platform
