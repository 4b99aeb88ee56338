#pragma once

// The archive export carried out by Microsoft Word and Excel themselves, through their
// automation interfaces: the program's backend, and its tests over stand-in servers.

#include "platform/OfficeExport.h"
#include "platform/win32/Dispatch.h"

#include <string>
#include <string_view>

namespace velarium::platform::win32 {

// The table in a new document of the word processor `word` ("Word.Application"): the server
// is shown at once, so that the user watches the table being filled, and is let go of with the
// document open and unsaved.
void showInWord(const Dispatch& word, const TextTable& table);
// The table in a new workbook of `excel` ("Excel.Application"), hidden while it is filled and
// shown at the end, unsaved.
void showInExcel(const Dispatch& excel, const TextTable& table, std::string_view sheet);

// The same in a new instance of the server, each time. Raise OfficeUnavailable when this
// computer has no such server or it will not start.
void showInWord(const TextTable& table);
void showInExcel(const TextTable& table, std::string_view sheet);

// Excel's name of a cell, rows and columns from 1: "A1", "D11"; past Z the names go on as
// Excel's do ("AA1").
std::string cellReference(int row, int column);

} // namespace velarium::platform::win32
