// The portable office servers and the export drivers: every document is read back from the
// file, as an office suite would read it.

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
using automation::ExcelApplication;
using automation::WordApplication;
using platform::makeDocxWriter;
using platform::makeXlsxWriter;

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
    exportToWord(*makeDocxWriter(file, nullptr), table);

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

TEST(DocxWriterTest, CellsFollowWordsRulesForTextAndPlace)
{
    const TempFolder folder;
    const fs::path file = folder / "celle.docx";
    {
        const auto word = makeDocxWriter(file, nullptr);
        const auto document = word->addDocument();
        const auto table = document->addTable(word->selectionRange(), 2, 3);
        table->setCellText(1, 1, "riga uno\r\nriga due\rtre\nquattro");
        table->setCellText(1, 2, "a\tb");
        // A control character only a damaged card holds has no place in XML.
        table->setCellText(1, 3, std::string("x\x01y\0z", 5));
        table->setCellText(2, 3, "ultima");
        table->setCellText(2, 3, "sostituita");

        for (const auto& [row, column] :
             std::vector<std::pair<int, int>>{{0, 1}, {1, 0}, {3, 1}, {1, 4}, {-1, -1}}) {
            SCOPED_TRACE(std::to_string(row) + "," + std::to_string(column));
            EXPECT_THROW(table->setCellText(row, column, "fuori"), Error);
        }
        EXPECT_THROW(document->addTable(word->selectionRange(), 1, 1), Error);
        EXPECT_THROW(word->addDocument(), Error);
        word->release();
    }
    const std::vector<DocxTable> tables = readDocxTables(file);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].rows,
              (std::vector<std::vector<std::string>>{
                  {"riga uno\nriga due\ntre\nquattro", "a\tb", "x y z"}, {"", "", "sostituita"}}));
}

TEST(DocxWriterTest, TablesOfImpossibleSizeAreRefused)
{
    const TempFolder folder;
    const auto word = makeDocxWriter(folder / "x.docx", nullptr);
    const auto document = word->addDocument();
    for (const auto& [rows, columns] :
         std::vector<std::pair<int, int>>{{0, 4}, {4, 0}, {-1, 4}, {32768, 1}, {1, 64}}) {
        SCOPED_TRACE(std::to_string(rows) + "x" + std::to_string(columns));
        EXPECT_THROW(document->addTable(word->selectionRange(), rows, columns), Error);
    }
    // A refused size does not use up the document's one table.
    EXPECT_NO_THROW(document->addTable(word->selectionRange(), 1, 63));
}

// ---------------------------------------------------------------------------------------------
// Spreadsheets

TEST(XlsxWriterTest, ExportedRangeIsTextWithBoldTitlesAndFittedColumns)
{
    const TempFolder folder;
    const fs::path file = folder / "archivio.xlsx";
    const TextTable table = sampleTable();
    exportToExcel(*makeXlsxWriter(file, nullptr), table);

    const Sheet sheet = readXlsxSheet(file);
    EXPECT_EQ(sheet.name, "Archivio file criptati");
    for (std::size_t r = 0; r < table.size(); ++r) {
        for (std::size_t c = 0; c < 4; ++c) {
            const std::string reference =
                cellReference(static_cast<int>(r + 1), static_cast<int>(c + 1));
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

// A spreadsheet driven by hand, for what the export itself never does.
class XlsxCallsTest : public ::testing::Test
{
protected:
    XlsxCallsTest() : file_(folder_ / "prova.xlsx"), excel_(makeXlsxWriter(file_, nullptr)) {}

    Sheet written()
    {
        excel_->release();
        return readXlsxSheet(file_);
    }

    TempFolder folder_;
    fs::path file_;
    std::unique_ptr<ExcelApplication> excel_;
};

TEST_F(XlsxCallsTest, CallsBeforeTheWorkbookAreRefused)
{
    EXPECT_NO_THROW(excel_->setVisible(false));
    EXPECT_THROW(excel_->setRangeValue("A1", "A1", {{"x"}}), Error);
    EXPECT_THROW(excel_->setSheetName(1, 1, "Foglio"), Error);
    EXPECT_THROW(excel_->selectRange("A1", "B2"), Error);
    EXPECT_THROW(excel_->setSelectionNumberFormat("@"), Error);
    EXPECT_THROW(excel_->setCellBold(1, 1, true), Error);
    EXPECT_THROW(excel_->autoFitColumns("A:Z"), Error);
    EXPECT_THROW(excel_->selectCell(1, 1), Error);
    EXPECT_THROW(excel_->addWorkbook(-4109), Error);
    excel_->addWorkbook(automation::kWorksheetTemplate);
    EXPECT_THROW(excel_->addWorkbook(automation::kWorksheetTemplate), Error);
}

TEST_F(XlsxCallsTest, ValuesMustFitTheirRangeExactly)
{
    excel_->addWorkbook(automation::kWorksheetTemplate);
    const std::vector<std::vector<std::string>> twoByTwo = {{"a", "b"}, {"c", "d"}};
    EXPECT_THROW(excel_->setRangeValue("A1", "B3", twoByTwo), Error);
    EXPECT_THROW(excel_->setRangeValue("A1", "C2", twoByTwo), Error);
    EXPECT_THROW(excel_->setRangeValue("A1", "B2", {{"a", "b"}, {"c"}}), Error);
    EXPECT_THROW(excel_->setRangeValue("A1", "B2", {}), Error);
    for (const char* reference : {"", "1", "A", "A0", "1A", "A1B", "XFE1", "A1048577", "A-1"}) {
        EXPECT_THROW(excel_->setRangeValue(reference, "B2", twoByTwo), Error) << reference;
        EXPECT_THROW(excel_->selectRange("A1", reference), Error) << reference;
    }
    // The corners may come in any order and with '$'; lower case is Excel's too.
    excel_->setRangeValue("$b$2", "C3", twoByTwo);
    excel_->setRangeValue("E3", "D2", {{"1", "2"}, {"3", "4"}});

    const Sheet sheet = written();
    // A refused call wrote nothing.
    EXPECT_EQ(sheet.cells.count("A1"), 0u);
    EXPECT_EQ(sheet.cells.at("B2").value, "a");
    EXPECT_EQ(sheet.cells.at("C3").value, "d");
    EXPECT_EQ(sheet.cells.at("D2").value, "1");
    EXPECT_EQ(sheet.cells.at("E3").value, "4");
    // Without a number format they are still texts, never numbers.
    EXPECT_TRUE(sheet.cells.at("D2").isString);
    EXPECT_EQ(sheet.cells.at("D2").numberFormat, "General");
    EXPECT_EQ(sheet.name, "Foglio1");
}

TEST_F(XlsxCallsTest, SheetNamesFollowExcelsRules)
{
    excel_->addWorkbook(automation::kWorksheetTemplate);
    for (const char* name : {"", "a/b", "a\\b", "a?b", "a*b", "a:b", "[a]", "'a", "a'",
                             "12345678901234567890123456789012"}) {
        EXPECT_THROW(excel_->setSheetName(1, 1, name), Error) << name;
    }
    EXPECT_THROW(excel_->setSheetName(2, 1, "Altro"), Error);
    EXPECT_THROW(excel_->setSheetName(1, 2, "Altro"), Error);
    excel_->setSheetName(1, 1, "Caff\xE8 & co.");
    EXPECT_EQ(written().name, "Caff\xC3\xA8 & co.");
}

TEST_F(XlsxCallsTest, TextsComeBackExactlyAsWritten)
{
    excel_->addWorkbook(automation::kWorksheetTemplate);
    const std::vector<std::string> texts = {"007",       "1e5",    "=1+1",   "TRUE", "_x0041_",
                                            "a_x00e8_b", "<&>\"'", "\x80 5", "0,5"};
    excel_->setRangeValue("A1", cellReference(1, static_cast<int>(texts.size())), {texts});
    excel_->selectCell(3, 2);
    const Sheet sheet = written();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const SheetCell& cell = sheet.cells.at(cellReference(1, static_cast<int>(i + 1)));
        EXPECT_TRUE(cell.isString) << texts[i];
        EXPECT_EQ(cell.value, cp1252ToUtf8(texts[i]));
    }
    EXPECT_EQ(sheet.selection, "B3");
}

TEST_F(XlsxCallsTest, ColumnsFitTheirLongestTextWhenAsked)
{
    excel_->addWorkbook(automation::kWorksheetTemplate);
    excel_->setRangeValue("A1", "C2",
                          {{"corto", "", std::string(250, 'x')}, {"un po' piu' lungo", "", "y"}});
    excel_->autoFitColumns("A:B");
    // Text written after fitting does not widen the column.
    excel_->setRangeValue("A3", "A3", {{std::string(60, 'z')}});
    EXPECT_THROW(excel_->autoFitColumns("A1:B2"), Error);
    EXPECT_THROW(excel_->autoFitColumns(""), Error);
    const Sheet sheet = written();
    EXPECT_EQ(sheet.columnWidths.size(), 1u);
    EXPECT_GT(sheet.columnWidths.at(1), 17.0);
    EXPECT_LT(sheet.columnWidths.at(1), 30.0);

    // The widest column Excel allows.
    const TempFolder other;
    const auto excel = makeXlsxWriter(other / "largo.xlsx", nullptr);
    excel->addWorkbook(automation::kWorksheetTemplate);
    excel->setRangeValue("C1", "C1", {{std::string(250, 'x')}});
    excel->autoFitColumns("C");
    excel->release();
    const double widest = readXlsxSheet(other / "largo.xlsx").columnWidths.at(3);
    EXPECT_GT(widest, 250.0);
    EXPECT_LE(widest, 256.0);
}

TEST_F(XlsxCallsTest, BoldAndFormatApplyPerCell)
{
    excel_->addWorkbook(automation::kWorksheetTemplate);
    excel_->selectRange("B2", "C3");
    excel_->setSelectionNumberFormat("@");
    excel_->setCellBold(2, 2, true);
    excel_->setCellBold(5, 5, true);
    excel_->setCellBold(5, 5, false);
    EXPECT_THROW(excel_->setCellBold(0, 1, true), Error);
    EXPECT_THROW(excel_->setCellBold(1, 16385, true), Error);
    EXPECT_THROW(excel_->selectCell(1048577, 1), Error);
    const Sheet sheet = written();
    EXPECT_TRUE(sheet.cells.at("B2").bold);
    EXPECT_EQ(sheet.cells.at("B2").numberFormat, "@");
    EXPECT_FALSE(sheet.cells.at("C3").bold);
    EXPECT_EQ(sheet.cells.at("C3").numberFormat, "@");
    EXPECT_EQ(sheet.cells.count("A1"), 0u);
    EXPECT_EQ(sheet.cells.count("D4"), 0u);
    // The last selection is the one the workbook opens with.
    EXPECT_EQ(sheet.selection, "B2:C3");
}

// ---------------------------------------------------------------------------------------------
// Delivery of the finished file

TEST(OfficeDeliveryTest, ReleaseWritesTheWholeFileThenOpensItOnce)
{
    const TempFolder folder;
    RecordingOpener recorder;
    const fs::path docx = folder / "a.docx";
    const fs::path xlsx = folder / "a.xlsx";
    {
        const auto word = makeDocxWriter(docx, recorder.opener());
        exportToWord(*word, sampleTable());
        // Once let go, the server takes no more calls and is never written twice.
        EXPECT_NO_THROW(word->release());
        EXPECT_THROW(word->addDocument(), Error);
        EXPECT_THROW(word->setVisible(true), Error);
    }
    {
        const auto excel = makeXlsxWriter(xlsx, recorder.opener());
        exportToExcel(*excel, sampleTable());
        EXPECT_NO_THROW(excel->release());
        EXPECT_THROW(excel->setVisible(true), Error);
    }
    EXPECT_EQ(recorder.opened, (std::vector<fs::path>{docx, xlsx}));
    EXPECT_EQ(recorder.sizes,
              (std::vector<std::uintmax_t>{fs::file_size(docx), fs::file_size(xlsx)}));
    // The archive's passwords are inside: a new file is its owner's only.
    EXPECT_EQ(permissionsOf(docx), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(permissionsOf(xlsx), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"a.docx", "a.xlsx"}));
}

TEST(OfficeDeliveryTest, InTheExportFolderEachDocumentGetsANewPrivateFile)
{
    const TempFolder base;
    RecordingOpener recorder;
    platform::ExportFolder exports(base / "esportazioni");
    for (int i = 0; i < 2; ++i) {
        exportToWord(*makeDocxWriter(exports, recorder.opener()), sampleTable());
        exportToExcel(*makeXlsxWriter(exports, recorder.opener()), sampleTable());
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
        throw automation::Unavailable("Nessuna applicazione per questo documento");
    };
    EXPECT_THROW(exportToWord(*makeDocxWriter(exports, nothing), sampleTable()),
                 automation::Unavailable);
    EXPECT_THROW(exportToExcel(*makeXlsxWriter(exports, nothing), sampleTable()),
                 automation::Unavailable);
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_TRUE(namesIn(exports.runFolder()).empty());
}

TEST(OfficeDeliveryTest, OpenerThatFindsNoApplicationIsReportedAndTheFileStays)
{
    const TempFolder folder;
    const platform::DocumentOpener nothing = [](const fs::path&) {
        throw automation::Unavailable("Nessuna applicazione per questo documento");
    };
    const auto word = makeDocxWriter(folder / "a.docx", nothing);
    EXPECT_THROW(exportToWord(*word, sampleTable()), automation::Unavailable);
    const auto excel = makeXlsxWriter(folder / "a.xlsx", nothing);
    EXPECT_THROW(exportToExcel(*excel, sampleTable()), automation::Unavailable);
    EXPECT_EQ(readDocxTables(folder / "a.docx").at(0).rows.size(), 4u);
    EXPECT_EQ(readXlsxSheet(folder / "a.xlsx").name, "Archivio file criptati");
}

TEST(OfficeDeliveryTest, NothingIsWrittenWithoutAReleaseOrADocument)
{
    const TempFolder folder;
    RecordingOpener recorder;
    {
        const auto word = makeDocxWriter(folder / "a.docx", recorder.opener());
        word->addDocument();
    }
    {
        const auto excel = makeXlsxWriter(folder / "a.xlsx", recorder.opener());
        excel->addWorkbook(automation::kWorksheetTemplate);
    }
    makeDocxWriter(folder / "b.docx", recorder.opener())->release();
    makeXlsxWriter(folder / "b.xlsx", recorder.opener())->release();
    EXPECT_TRUE(recorder.opened.empty());
    EXPECT_TRUE(namesIn(folder.path()).empty());
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
            exportToWord(*makeDocxWriter(file, nullptr), sampleTable());
            EXPECT_EQ(readDocxTables(file).at(0).rows.at(1).at(2), "007");
        } else {
            exportToExcel(*makeXlsxWriter(file, nullptr), sampleTable());
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
    RecordingOpener recorder;

    EXPECT_THROW(exportToExcel(*makeXlsxWriter(readOnly, recorder.opener()), sampleTable()), Error);
    EXPECT_THROW(
        exportToWord(*makeDocxWriter(folder / "cartella.docx", recorder.opener()), sampleTable()),
        Error);
    EXPECT_THROW(exportToWord(*makeDocxWriter(folder / "assente" / "a.docx", recorder.opener()),
                              sampleTable()),
                 Error);
    EXPECT_THROW(platform::writeCsv(readOnly, sampleTable()), Error);

    EXPECT_TRUE(recorder.opened.empty());
    EXPECT_EQ(readFile(readOnly), "non toccare");
    EXPECT_TRUE(fs::is_empty(folder / "cartella.docx"));
    EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"cartella.docx", "protetto.xlsx"}));
}

TEST(OfficeDeliveryTest, ALinkThatLeadsNowhereIsRefusedAndStaysALink)
{
    const TempFolder folder;
    RecordingOpener recorder;
    for (const char* name : {"rotto.docx", "rotto.xlsx", "rotto.csv"}) {
        SCOPED_TRACE(name);
        const fs::path link = folder / name;
        fs::create_symlink(folder / "assente", link);
        if (fs::path(name).extension() == ".docx") {
            EXPECT_THROW(exportToWord(*makeDocxWriter(link, recorder.opener()), sampleTable()),
                         Error);
        } else if (fs::path(name).extension() == ".xlsx") {
            EXPECT_THROW(exportToExcel(*makeXlsxWriter(link, recorder.opener()), sampleTable()),
                         Error);
        } else {
            EXPECT_THROW(platform::writeCsv(link, sampleTable()), Error);
        }
        EXPECT_TRUE(fs::is_symlink(link));
    }
    EXPECT_TRUE(recorder.opened.empty());
    EXPECT_EQ(namesIn(folder.path()),
              (std::vector<std::string>{"rotto.csv", "rotto.docx", "rotto.xlsx"}));
}

TEST(OfficeDeliveryTest, AWorkbookThatFailsWhileWrittenLeavesTheOldFileAndNothingBeside)
{
    const TempFolder folder;
    const fs::path file = folder / "vecchio.xlsx";
    writeFile(file, "contenuto precedente");
    RecordingOpener recorder;
    const auto excel = makeXlsxWriter(file, recorder.opener());
    excel->addWorkbook(automation::kWorksheetTemplate);
    // Past the longest text a cell may hold: refused only once the workbook is being written.
    excel->setRangeValue("A1", "A1", {{std::string(40000, 'x')}});
    EXPECT_THROW(excel->release(), Error);
    EXPECT_TRUE(recorder.opened.empty());
    EXPECT_EQ(readFile(file), "contenuto precedente");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"vecchio.xlsx"});
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

TEST(ExportTableTest, CellReferencesAndRangeValues)
{
    EXPECT_EQ(cellReference(1, 1), "A1");
    EXPECT_EQ(cellReference(11, 4), "D11");
    EXPECT_EQ(cellReference(1, 17), "Q1");
    EXPECT_EQ(cellReference(100000, 26), "Z100000");
    EXPECT_EQ(cellReference(1, 27), "AA1");
    EXPECT_EQ(cellReference(1, 16384), "XFD1");

    const ExcelRange range = excelRange(sampleTable());
    EXPECT_EQ(range.first, "A1");
    EXPECT_EQ(range.last, "D4");
    EXPECT_EQ(range.values.front(),
              (std::vector<std::string>{"", "Descrizione file", "Password", "Percorso file"}));
    EXPECT_EQ(range.values.at(1).at(2), "007");
    EXPECT_EQ(excelRange({{" a\t", "b "}}).values, (TextTable{{"a", "b"}}));
}

TEST(ExportTableTest, TablesThatAreNoRectangleNeverReachTheServers)
{
    const TempFolder folder;
    RecordingOpener recorder;
    for (const TextTable& table : {TextTable{}, TextTable{{}}, TextTable{{"a", "b"}, {"c"}}}) {
        EXPECT_THROW(excelRange(table), Error);
        const auto word = makeDocxWriter(folder / "a.docx", recorder.opener());
        EXPECT_THROW(exportToWord(*word, table), Error);
        // The server is still untouched: a document can still be made.
        EXPECT_NO_THROW(word->addDocument());
        const auto excel = makeXlsxWriter(folder / "a.xlsx", recorder.opener());
        EXPECT_THROW(exportToExcel(*excel, table), Error);
        EXPECT_NO_THROW(excel->addWorkbook(automation::kWorksheetTemplate));
    }
    EXPECT_TRUE(recorder.opened.empty());
    EXPECT_TRUE(namesIn(folder.path()).empty());
}

} // namespace
} // namespace velarium::test
