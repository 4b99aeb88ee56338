// The portable office files of the export: every document is read back from the file, as an
// office suite would read it.

#include "OfficeReader.h"
#include "TempFolder.h"
#include "archive/CardArchive.h"
#include "archive/ExportTable.h"
#include "platform/FileReplace.h"
#include "platform/OfficeFiles.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace velarium::test {
namespace {

namespace fs = std::filesystem;
using platform::writeDocx;
using platform::writeXlsx;

using Row = std::vector<std::string>;

constexpr std::string_view kSheet = "Archivio file criptati";

// Excel's name of a cell of the first 26 columns, rows and columns from 1.
std::string cellName(std::size_t row, std::size_t column)
{
    return std::string(1, static_cast<char>('A' + column - 1)) + std::to_string(row);
}

// A small archive's export table, with the texts that break careless writers: XML specials,
// an accented Windows-1252 byte, digits that a spreadsheet would take for a number.
TextTable sampleTable()
{
    return {{"", " Descrizione file", " Password", " Percorso file"},
            {"1", "Contratti & <fatture> \"2024\" l'anno", "007", "/doc/contratti.pdf"},
            {"2", "Caff\xE8", "p\xE0ss", "C:\\Documenti\\caff\xE8.txt"},
            {"3", "", "", "/doc/vuoto"}};
}

fs::perms permissionsOf(const fs::path& path)
{
    return fs::status(path).permissions() & fs::perms::all;
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Records what the desktop was asked to open, and what the file held at that moment.
struct RecordingOpener
{
    std::vector<fs::path> opened;
    std::vector<std::uintmax_t> sizes;

    platform::DocumentOpener opener()
    {
        return [this](const fs::path& path) {
            opened.push_back(path);
            sizes.push_back(fs::file_size(path));
        };
    }
};

// ---------------------------------------------------------------------------------------------
// Word documents

TEST(DocxWriterTest, ExportedTableHoldsEveryTextInItsCellAsUtf8)
{
    const TempFolder folder;
    const fs::path file = folder / "archivio.docx";
    const TextTable table = sampleTable();
    writeDocx(file, table);

    const std::vector<DocxTable> tables = readDocxTables(file);
    ASSERT_EQ(tables.size(), 1u);
    const DocxTable& written = tables.front();
    EXPECT_EQ(written.gridColumns, 4u);
    ASSERT_EQ(written.rows.size(), table.size());
    for (std::size_t r = 0; r < table.size(); ++r) {
        ASSERT_EQ(written.rows[r].size(), 4u) << "row " << r;
        for (std::size_t c = 0; c < 4; ++c) {
            EXPECT_EQ(written.rows[r][c], cp1252ToUtf8(table[r][c])) << r << "," << c;
        }
    }
    // Titles keep their leading blank; specials and accents come back as they went in.
    EXPECT_EQ(written.rows[0][1], " Descrizione file");
    EXPECT_EQ(written.rows[1][1], "Contratti & <fatture> \"2024\" l'anno");
    EXPECT_EQ(written.rows[2][1], "Caff\xC3\xA8");
    // A table that prints with its grid, as Word's own new tables do.
    EXPECT_EQ(written.borders,
              (std::vector<std::string>{"top=single", "left=single", "bottom=single",
                                        "right=single", "insideH=single", "insideV=single"}));

    const auto members = unzipAll(file);
    EXPECT_NE(members.at("word/document.xml").find("xml:space=\"preserve\""), std::string::npos);
    EXPECT_NE(members.at("[Content_Types].xml").find("wordprocessingml.document.main+xml"),
              std::string::npos);
}

TEST(DocxWriterTest, CellsFollowWordsRulesForText)
{
    const TempFolder folder;
    const fs::path file = folder / "celle.docx";
    // A control character only a damaged card holds has no place in XML.
    writeDocx(file, {{"riga uno\r\nriga due\rtre\nquattro", "a\tb", std::string("x\x01y\0z", 5)},
                     {"", "", "ultima"}});
    const std::vector<DocxTable> tables = readDocxTables(file);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].rows,
              (std::vector<std::vector<std::string>>{
                  {"riga uno\nriga due\ntre\nquattro", "a\tb", "x y z"}, {"", "", "ultima"}}));
}

TEST(DocxWriterTest, TablesOfImpossibleSizeAreRefused)
{
    const TempFolder folder;
    for (const auto& [rows, columns] :
         std::vector<std::pair<std::size_t, std::size_t>>{{32768, 1}, {1, 64}}) {
        SCOPED_TRACE(std::to_string(rows) + "x" + std::to_string(columns));
        EXPECT_THROW(writeDocx(folder / "x.docx", TextTable(rows, Row(columns))), Error);
    }
    EXPECT_TRUE(namesIn(folder.path()).empty());
    writeDocx(folder / "x.docx", TextTable(1, Row(63)));
    EXPECT_EQ(readDocxTables(folder / "x.docx").at(0).gridColumns, 63u);
}

// ---------------------------------------------------------------------------------------------
// Spreadsheets

TEST(XlsxWriterTest, ExportedRangeIsTextWithBoldTitlesAndFittedColumns)
{
    const TempFolder folder;
    const fs::path file = folder / "archivio.xlsx";
    const TextTable table = sampleTable();
    writeXlsx(file, table, kSheet);

    const Sheet sheet = readXlsxSheet(file);
    EXPECT_EQ(sheet.name, "Archivio file criptati");
    for (std::size_t r = 0; r < table.size(); ++r) {
        for (std::size_t c = 0; c < 4; ++c) {
            const std::string reference = cellName(r + 1, c + 1);
            SCOPED_TRACE(reference);
            const std::string expected = cp1252ToUtf8(trimmed(table[r][c]));
            ASSERT_EQ(sheet.cells.count(reference), 1u);
            const SheetCell& cell = sheet.cells.at(reference);
            EXPECT_EQ(cell.numberFormat, "@");
            EXPECT_EQ(cell.value, expected);
            // An empty text leaves a blank cell, still formatted as text.
            EXPECT_EQ(cell.isString, !expected.empty());
        }
    }
    EXPECT_EQ(sheet.cells.at("B1").value, "Descrizione file");
    EXPECT_EQ(sheet.cells.at("D1").value, "Percorso file");
    EXPECT_EQ(sheet.cells.at("C2").value, "007");
    EXPECT_EQ(sheet.cells.at("B3").value, "Caff\xC3\xA8");
    for (const char* number : {"A2", "A3", "A4"}) {
        EXPECT_TRUE(sheet.cells.at(number).isString) << number;
    }
    EXPECT_EQ(sheet.cells.at("A4").value, "3");

    // The titles' row is bold from B to Q; past the data the cells are bold blanks.
    EXPECT_FALSE(sheet.cells.at("A1").bold);
    for (char column = 'B'; column <= 'Q'; ++column) {
        const std::string reference = std::string(1, column) + "1";
        ASSERT_EQ(sheet.cells.count(reference), 1u) << reference;
        EXPECT_TRUE(sheet.cells.at(reference).bold) << reference;
        if (column > 'D') {
            EXPECT_FALSE(sheet.cells.at(reference).isString) << reference;
        }
    }
    EXPECT_FALSE(sheet.cells.at("B2").bold);
    EXPECT_EQ(sheet.cells.count("E2"), 0u);

    // Each column as wide as its longest text, and only the columns with text.
    ASSERT_EQ(sheet.columnWidths.size(), 4u);
    EXPECT_LT(sheet.columnWidths.at(1), sheet.columnWidths.at(3));
    EXPECT_LT(sheet.columnWidths.at(3), sheet.columnWidths.at(4));
    EXPECT_LT(sheet.columnWidths.at(4), sheet.columnWidths.at(2));
    EXPECT_GE(sheet.columnWidths.at(2), 35.0); // 35 characters in "Contratti & ..."
    EXPECT_EQ(sheet.selection, "A1");
}

TEST(XlsxWriterTest, TextsComeBackExactlyAsWrittenAndColumnsFitThem)
{
    const TempFolder folder;
    const fs::path file = folder / "prova.xlsx";
    const Row texts = {"007",       "1e5",    "=1+1",   "TRUE", "_x0041_",
                       "a_x00e8_b", "<&>\"'", "\x80 5", "0,5"};
    writeXlsx(file, {texts, Row(texts.size())}, "Caff\xE8 & co.");
    const Sheet sheet = readXlsxSheet(file);
    EXPECT_EQ(sheet.name, "Caff\xC3\xA8 & co.");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const SheetCell& cell = sheet.cells.at(cellName(1, i + 1));
        EXPECT_TRUE(cell.isString) << texts[i];
        EXPECT_EQ(cell.value, cp1252ToUtf8(texts[i]));
    }

    // The widest column Excel allows.
    writeXlsx(file, {{"corto", std::string(250, 'x')}, {"un po' piu' lungo", "y"}}, kSheet);
    const Sheet wide = readXlsxSheet(file);
    EXPECT_GT(wide.columnWidths.at(1), 17.0);
    EXPECT_LT(wide.columnWidths.at(1), 30.0);
    EXPECT_GT(wide.columnWidths.at(2), 250.0);
    EXPECT_LE(wide.columnWidths.at(2), 256.0);
}

TEST(XlsxWriterTest, SheetNamesFollowExcelsRules)
{
    const TempFolder folder;
    for (const char* name : {"", "a/b", "a\\b", "a?b", "a*b", "a:b", "[a]", "'a", "a'",
                             "12345678901234567890123456789012"}) {
        EXPECT_THROW(writeXlsx(folder / "a.xlsx", {{"x"}}, name), Error) << name;
    }
    EXPECT_TRUE(namesIn(folder.path()).empty());
}

// ---------------------------------------------------------------------------------------------
// Delivery of the finished file

TEST(OfficeDeliveryTest, ANewFileIsItsOwnersOnly)
{
    const TempFolder folder;
    writeDocx(folder / "a.docx", sampleTable());
    writeXlsx(folder / "a.xlsx", sampleTable(), kSheet);
    // The archive's passwords are inside.
    EXPECT_EQ(permissionsOf(folder / "a.docx"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(permissionsOf(folder / "a.xlsx"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"a.docx", "a.xlsx"}));
}

TEST(OfficeDeliveryTest, InTheExportFolderEachDocumentGetsANewPrivateFileOpenedOnceWhole)
{
    const TempFolder base;
    RecordingOpener recorder;
    platform::ExportFolder exports(base / "esportazioni");
    for (int i = 0; i < 2; ++i) {
        platform::openDocx(exports, sampleTable(), recorder.opener());
        platform::openXlsx(exports, sampleTable(), kSheet, recorder.opener());
    }
    ASSERT_EQ(recorder.opened.size(), 4u);
    const std::regex name("Velarium-archivio-[A-Za-z0-9]{6}\\.(docx|xlsx)");
    for (std::size_t i = 0; i < recorder.opened.size(); ++i) {
        const fs::path& path = recorder.opened[i];
        SCOPED_TRACE(path.string());
        EXPECT_TRUE(std::regex_match(path.filename().string(), name));
        EXPECT_EQ(path.extension(), i % 2 == 0 ? ".docx" : ".xlsx");
        EXPECT_EQ(path.parent_path(), exports.runFolder());
        EXPECT_EQ(permissionsOf(path), fs::perms::owner_read | fs::perms::owner_write);
        // The opener gets the finished file.
        EXPECT_EQ(recorder.sizes[i], fs::file_size(path));
        if (i % 2 == 0) {
            EXPECT_EQ(readDocxTables(path).at(0).rows.size(), 4u);
        } else {
            EXPECT_EQ(readXlsxSheet(path).cells.at("C2").value, "007");
        }
    }
    EXPECT_NE(recorder.opened[0], recorder.opened[2]);
    EXPECT_NE(recorder.opened[1], recorder.opened[3]);
    // Only the documents themselves: no working copy is left beside them.
    EXPECT_EQ(namesIn(exports.runFolder()).size(), 4u);
}

TEST(OfficeDeliveryTest, ADocumentOfTheExportFolderThatNothingOpensGoesAtOnce)
{
    const TempFolder base;
    platform::ExportFolder exports(base / "esportazioni");
    std::vector<fs::path> offered;
    const platform::DocumentOpener nothing = [&](const fs::path& path) {
        offered.push_back(path);
        EXPECT_TRUE(fs::exists(path)) << "the opener gets the finished file";
        throw Error("Nessuna applicazione per questo documento");
    };
    EXPECT_THROW(platform::openDocx(exports, sampleTable(), nothing), Error);
    EXPECT_THROW(platform::openXlsx(exports, sampleTable(), kSheet, nothing), Error);
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_TRUE(namesIn(exports.runFolder()).empty());
}

TEST(OfficeDeliveryTest, ExistingFileIsReplacedKeepingItsPermissions)
{
    const TempFolder folder;
    for (const char* name : {"vecchio.docx", "vecchio.xlsx"}) {
        SCOPED_TRACE(name);
        const fs::path file = folder / name;
        writeFile(file, "contenuto precedente");
        fs::permissions(file,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        if (fs::path(name).extension() == ".docx") {
            writeDocx(file, sampleTable());
            EXPECT_EQ(readDocxTables(file).at(0).rows.at(1).at(2), "007");
        } else {
            writeXlsx(file, sampleTable(), kSheet);
            EXPECT_EQ(readXlsxSheet(file).cells.at("C2").value, "007");
        }
        EXPECT_EQ(permissionsOf(file),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"vecchio.docx", "vecchio.xlsx"}));
}

TEST(OfficeDeliveryTest, RefusedTargetIsLeftAsItWasWithNothingBeside)
{
    const TempFolder folder;
    const fs::path readOnly = folder / "protetto.xlsx";
    writeFile(readOnly, "non toccare");
    fs::permissions(readOnly, fs::perms::owner_read);
    fs::create_directory(folder / "cartella.docx");

    EXPECT_THROW(writeXlsx(readOnly, sampleTable(), kSheet), Error);
    EXPECT_THROW(writeDocx(folder / "cartella.docx", sampleTable()), Error);
    EXPECT_THROW(writeDocx(folder / "assente" / "a.docx", sampleTable()), Error);
    EXPECT_THROW(platform::writeCsv(readOnly, sampleTable()), Error);

    EXPECT_EQ(readFile(readOnly), "non toccare");
    EXPECT_TRUE(fs::is_empty(folder / "cartella.docx"));
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"cartella.docx", "protetto.xlsx"}));
}

TEST(OfficeDeliveryTest, ALinkThatLeadsNowhereIsRefusedAndStaysALink)
{
    const TempFolder folder;
    for (const char* name : {"rotto.docx", "rotto.xlsx", "rotto.csv"}) {
        SCOPED_TRACE(name);
        const fs::path link = folder / name;
        fs::create_symlink(folder / "assente", link);
        if (fs::path(name).extension() == ".docx") {
            EXPECT_THROW(writeDocx(link, sampleTable()), Error);
        } else if (fs::path(name).extension() == ".xlsx") {
            EXPECT_THROW(writeXlsx(link, sampleTable(), kSheet), Error);
        } else {
            EXPECT_THROW(platform::writeCsv(link, sampleTable()), Error);
        }
        EXPECT_TRUE(fs::is_symlink(link));
    }
    EXPECT_EQ(namesIn(folder.path()),
              (std::vector<std::string>{"rotto.csv", "rotto.docx", "rotto.xlsx"}));
}

TEST(OfficeDeliveryTest, AWorkbookThatFailsWhileWrittenLeavesTheOldFileAndNothingBeside)
{
    const TempFolder folder;
    const fs::path file = folder / "vecchio.xlsx";
    writeFile(file, "contenuto precedente");
    // Past the longest text a cell may hold: refused only once the workbook is being written.
    EXPECT_THROW(writeXlsx(file, {{std::string(40000, 'x')}}, kSheet), Error);
    EXPECT_EQ(readFile(file), "contenuto precedente");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"vecchio.xlsx"});

    platform::ExportFolder exports(folder / "esportazioni");
    RecordingOpener recorder;
    EXPECT_THROW(
        platform::openXlsx(exports, {{std::string(40000, 'x')}}, kSheet, recorder.opener()), Error);
    EXPECT_TRUE(recorder.opened.empty());
    EXPECT_TRUE(namesIn(exports.runFolder()).empty());
}

// ---------------------------------------------------------------------------------------------
// Writing in one step a file that a library writes by name

TEST(AtomicFillTest, AFillThatFailsMidwayLeavesTheOldFileAndNothingBeside)
{
    const TempFolder folder;
    const fs::path file = folder / "documento";
    writeFile(file, "vecchio");
    const auto halfThenFail = [](const fs::path& fresh) {
        writeFile(fresh, "met\xE0");
        throw Error("Scrittura interrotta");
    };
    EXPECT_THROW(platform::writeFileAtomically(file, halfThenFail, platform::NewFile::Private),
                 Error);
    EXPECT_EQ(readFile(file), "vecchio");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"documento"});
}

TEST(AtomicFillTest, ANewFileGetsThePermissionsAskedForAndAReplacedOneKeepsItsOwn)
{
    const TempFolder folder;
    const auto fill = [](std::string text) {
        return [text](const fs::path& fresh) {
            writeFile(fresh, text);
        };
    };
    platform::writeFileAtomically(folder / "privato", fill("a"), platform::NewFile::Private);
    platform::writeFileAtomically(folder / "leggibile", fill("b"));
    EXPECT_EQ(readFile(folder / "privato"), "a");
    EXPECT_EQ(permissionsOf(folder / "privato"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(permissionsOf(folder / "leggibile"), fs::perms::owner_read | fs::perms::owner_write |
                                                       fs::perms::group_read |
                                                       fs::perms::others_read);

    fs::permissions(folder / "privato", fs::perms::group_read, fs::perm_options::add);
    platform::writeFileAtomically(folder / "privato", fill("c"), platform::NewFile::Private);
    EXPECT_EQ(readFile(folder / "privato"), "c");
    EXPECT_EQ(permissionsOf(folder / "privato"),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"leggibile", "privato"}));
}

// ---------------------------------------------------------------------------------------------
// Comma-separated values

TEST(CsvTest, FieldsAreQuotedOnlyWhenTheyMustBe)
{
    const TempFolder folder;
    const fs::path file = folder / "archivio.csv";
    platform::writeCsv(file, {{"", " Descrizione file", "semplice"},
                              {"a,b", "di \"lui\"", "riga\r\nnuova"},
                              {"solo\rCR", "solo\nLF", "Caff\xE8 \x80"},
                              {},
                              {"'apice'", " spazi ", "\""}});
    EXPECT_EQ(readFile(file), ", Descrizione file,semplice\r\n"
                              "\"a,b\",\"di \"\"lui\"\"\",\"riga\r\nnuova\"\r\n"
                              "\"solo\rCR\",\"solo\nLF\",Caff\xC3\xA8 \xE2\x82\xAC\r\n"
                              "\r\n"
                              "'apice', spazi ,\"\"\"\"\r\n");
    EXPECT_EQ(permissionsOf(file), fs::perms::owner_read | fs::perms::owner_write);

    platform::writeCsv(file, {});
    EXPECT_EQ(readFile(file), "");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"archivio.csv"});
}

// ---------------------------------------------------------------------------------------------
// The export table

TEST(ExportTableTest, OneRowPerCardAfterTheTitles)
{
    const TempFolder program;
    CardArchive archive(program.path());
    archive.Open();
    EXPECT_EQ(exportTable(archive),
              (TextTable{{"", " Descrizione file", " Password", " Percorso file"}}));
    archive.Append({"  /doc/uno.txt ", "\tPrimo ", " alfa ", "conferma"});
    archive.Append({"C:\\due", "Caff\xE8", "007", "007"});
    archive.Append({"", "", "", ""});
    archive.Seek(2);

    const TextTable table = exportTable(archive);
    EXPECT_EQ(table, (TextTable{{"", " Descrizione file", " Password", " Percorso file"},
                                {"1", "Primo", "alfa", "/doc/uno.txt"},
                                {"2", "Caff\xE8", "007", "C:\\due"},
                                {"3", "", "", ""}}));
    EXPECT_TRUE(archive.AtEnd());
    archive.Close();
}

TEST(ExportTableTest, TablesThatAreNoRectangleAreNeverWritten)
{
    const TempFolder folder;
    const TempFolder base;
    RecordingOpener recorder;
    platform::ExportFolder exports(base / "esportazioni");
    for (const TextTable& table : {TextTable{}, TextTable{{}}, TextTable{{"a", "b"}, {"c"}}}) {
        EXPECT_THROW(writeDocx(folder / "a.docx", table), Error);
        EXPECT_THROW(writeXlsx(folder / "a.xlsx", table, kSheet), Error);
        EXPECT_THROW(platform::openDocx(exports, table, recorder.opener()), Error);
        EXPECT_THROW(platform::openXlsx(exports, table, kSheet, recorder.opener()), Error);
    }
    EXPECT_TRUE(recorder.opened.empty());
    EXPECT_TRUE(namesIn(folder.path()).empty());
    EXPECT_TRUE(exports.runFolder().empty()) << "refused before the export folder was touched";
}

TEST(ExportTableTest, SpreadsheetTextsAreTrimmedAtBothEnds)
{
    EXPECT_EQ(platform::trimmedCells({{" a\t", "b "}, {"", "  "}}),
              (TextTable{{"a", "b"}, {"", ""}}));
}

} // namespace
} // namespace velarium::test
