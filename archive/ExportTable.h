#pragma once

#include "platform/OfficeExport.h"

// The archive as a table for a word processor, a spreadsheet or a CSV file: the window and the
// command-line tool export the same one.
namespace velarium {

class CardArchive;

// The sheet the spreadsheet export fills.
inline constexpr const char* kExportSheetName = "Archivio file criptati";

// The title row {"", " Descrizione file", " Password", " Percorso file"}, then one row per
// card in archive order: its number, description, password and path, each trimmed. The
// confirmation of the password stays out. Reads an open archive from its first card to the
// last one counted at the start, leaving the position behind it.
TextTable exportTable(CardArchive& archive);

// The export commands' messages, in Windows-1252.
inline constexpr const char* kWordExportFailed =
    "Attenzione: il sistema non consente di creare il file di Microsoft Word.\n\r\n\r"
    "Esportazione dati non riuscita.";
inline constexpr const char* kExcelExportFailed =
    "Si \xE8 verificato un errore durante l'esportazione dei dati in Excel.\r\n\r\n"
    "Accertarsi che il pacchetto Microsoft Office sia installato sul proprio computer.";

} // namespace velarium
