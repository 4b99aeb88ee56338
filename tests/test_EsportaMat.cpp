// The export window: its grid, and the tables it hands to the office programs, recorded.
#include "RecordingNavigator.h"
#include "ScriptedUi.h"
#include "TempFolder.h"
#include "app/Controls.h"
#include "archive/CardArchive.h"
#include "archive/EsportaMat.h"
#ifdef _WIN32
#include "platform/win32/OfficeAutomation.h"
#else
#include "platform/OfficeFiles.h"
#endif

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace velarium;
using velarium::test::BoxKind;
using velarium::test::ScriptedUi;
using velarium::test::TempFolder;

namespace {

using Row = std::vector<std::string>;

// What `command` wrote to the program's log.
template <typename Command> std::string logOf(Command command)
{
    testing::internal::CaptureStderr();
    command();
    return testing::internal::GetCapturedStderr();
}

class ExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<TfrmEsportaMat>(AppContext{folder.path(), ui}, navigator);
    }

    void store(int cards)
    {
        CardArchive archive(folder.path());
        archive.Open();
        for (int i = 1; i <= cards; ++i) {
            const std::string n = std::to_string(i);
            archive.Append({"  C:\\dati\\f" + n + ".doc", " Scheda " + n + " ",
                            i == 2 ? "007" : "pw" + n, "conferma"});
        }
        archive.Close();
    }

    QString cell(int row, int column) const
    {
        const QTableWidgetItem* item = window->grdRecords->item(row, column);
        return item ? item->text() : QString();
    }

    TempFolder folder;
    ScriptedUi ui;
    test::RecordingNavigator navigator;
    std::unique_ptr<TfrmEsportaMat> window;
};

} // namespace

TEST_F(ExportTest, LayoutAndCaptions)
{
    window->show();
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral(" Esportazione archivio file criptati in Microsoft Word ed Excel"));
    EXPECT_EQ(window->size(), QSize(783, 505));
    EXPECT_EQ(window->lblWord->text(), QStringLiteral("Esporta in Word"));
    EXPECT_EQ(window->lblExcel->text(), QStringLiteral("Esporta in Excel"));
    EXPECT_EQ(window->lblGuida->text(), QStringLiteral("Guida"));
    EXPECT_EQ(window->lblEsci->text(), QStringLiteral("Esci"));
    for (ClickLabel* control :
         {window->imgWord, window->lblWord, window->imgExcel, window->lblExcel, window->imgGuida,
          window->lblGuida, window->imgEsci, window->lblEsci}) {
        EXPECT_EQ(control->cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_EQ(window->grdRecords->columnCount(), 4);
    EXPECT_EQ(window->grdRecords->rowCount(), 10) << "ten rows at the first showing";
    EXPECT_EQ(window->grdRecords->rowHeight(0), 24);
    EXPECT_EQ(window->grdRecords->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(ExportTest, EveryShowingFillsTheGridFromTheArchive)
{
    store(3);
    window->show();
    ASSERT_EQ(window->grdRecords->rowCount(), 4);
    EXPECT_EQ(cell(0, 0), QString());
    EXPECT_EQ(cell(0, 1), QStringLiteral(" Descrizione file"));
    EXPECT_EQ(cell(0, 2), QStringLiteral(" Password"));
    EXPECT_EQ(cell(0, 3), QStringLiteral(" Percorso file"));
    EXPECT_EQ(cell(2, 0), QStringLiteral("2"));
    EXPECT_EQ(cell(2, 1), QStringLiteral("Scheda 2"));
    EXPECT_EQ(cell(2, 2), QStringLiteral("007"));
    EXPECT_EQ(cell(2, 3), QStringLiteral("C:\\dati\\f2.doc"));
    const int widths[] = {50, 500, 250, 500};
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(window->grdRecords->columnWidth(column), widths[column]);
    }
    // The archive grows; the next showing sees it.
    window->hide();
    store(2);
    window->show();
    EXPECT_EQ(window->grdRecords->rowCount(), 6);
    EXPECT_EQ(cell(5, 0), QStringLiteral("5"));
}

TEST_F(ExportTest, AnEmptyArchiveLeavesTheGridAsItWas)
{
    window->show();
    EXPECT_EQ(window->grdRecords->rowCount(), 10);
    EXPECT_EQ(cell(0, 1), QString()) << "the titles come only with cards";
    EXPECT_FALSE(std::filesystem::exists(folder / "Velarium.pro"))
        << "the export only reads: it makes no archive";
}

TEST_F(ExportTest, WordGetsTheGridsTextsAsTheyAre)
{
    store(3);
    window->show();
    std::vector<TextTable> shown;
    ui.word = [&](const TextTable& table) {
        shown.push_back(table);
        EXPECT_EQ(ui.busyDepth, 1) << "the hourglass is up while the table goes over";
    };
    QTest::mouseClick(window->lblWord, Qt::RightButton); // any button runs the command
    ASSERT_EQ(shown.size(), 1u);
    const TextTable& table = shown[0];
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0], (Row{"", " Descrizione file", " Password", " Percorso file"}));
    EXPECT_EQ(table[1], (Row{"1", "Scheda 1", "pw1", "C:\\dati\\f1.doc"}));
    EXPECT_EQ(table[2][2], "007");
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(ui.busyCount, 1);
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(ExportTest, WithoutAWordProcessorTheCommandSaysSo)
{
    store(1);
    window->show();
    ui.answerNext(false); // no file instead
    const std::string missing = logOf([&] { window->imgWordMouseUp(); });
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Plain);
    EXPECT_EQ(ui.shown[0].text,
              QStringLiteral("Attenzione: il sistema non consente di creare il file di Microsoft "
                             "Word.\n\r\n\rEsportazione dati non riuscita."));
    EXPECT_FALSE(ui.shown[0].busy) << "the pointer is normal again";
    EXPECT_EQ(ui.shown[1].kind, BoxKind::Question);
    EXPECT_TRUE(ui.dialogs.empty()) << "No asked for a file all the same";
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_EQ(missing, "Velarium: Esporta in Word: Nessun programma di videoscrittura.\n");

    // A failure once the word processor runs goes to the general error display, and its cause
    // to the log.
    ui.word = [](const TextTable&) {
        throw Error("il disco è pieno");
    };
    const std::string failed = logOf([&] { window->imgWordMouseUp(); });
    ASSERT_EQ(ui.shown.size(), 3u);
    EXPECT_EQ(ui.shown[2].kind, BoxKind::Error);
    EXPECT_EQ(ui.shown[2].text, QStringLiteral("il disco è pieno"));
    EXPECT_EQ(failed, "Velarium: Esporta in Word: il disco è pieno\n");
}

TEST_F(ExportTest, ExcelGetsTheGridsTextsOnTheArchivesSheet)
{
    store(3);
    window->show();
    std::vector<std::pair<TextTable, std::string>> shown;
    ui.excel = [&](const TextTable& table, std::string_view sheet) {
        shown.emplace_back(table, std::string(sheet));
    };
    QTest::mouseClick(window->imgExcel, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].second, "Archivio file criptati");
    // The grid as it is: what the spreadsheet trims is its own business.
    EXPECT_EQ(shown[0].first, window->gridTexts());
    ASSERT_EQ(shown[0].first.size(), 4u);
    EXPECT_EQ(shown[0].first[0][1], " Descrizione file");
    EXPECT_EQ(shown[0].first[3], (Row{"3", "Scheda 3", "pw3", "C:\\dati\\f3.doc"}));
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ExportTest, AnEmptyGridExportsItsTenEmptyRows)
{
    window->show();
    std::vector<std::size_t> sizes;
    ui.excel = [&](const TextTable& table, std::string_view) {
        sizes.push_back(table.size());
    };
    ui.word = [&](const TextTable& table) {
        sizes.push_back(table.size());
        EXPECT_EQ(table.back(), Row(4));
    };
    window->imgExcelMouseUp();
    window->imgWordMouseUp();
    EXPECT_EQ(sizes, (std::vector<std::size_t>{10, 10}));
}

TEST_F(ExportTest, AnyExcelFailureShowsTheExcelMessageAndLogsItsCause)
{
    store(1);
    window->show();
    const QString message =
        QStringLiteral("Si è verificato un errore durante l'esportazione dei dati in Excel.\r\n\r\n"
                       "Accertarsi che il pacchetto Microsoft Office sia installato sul proprio "
                       "computer.");
    ui.answerNext(false);
    // No spreadsheet at all: a file is offered instead.
    EXPECT_EQ(logOf([&] { window->imgExcelMouseUp(); }),
              "Velarium: Esporta in Excel: Nessun foglio di calcolo.\n");
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].kind, BoxKind::Question);
    ui.shown.erase(ui.shown.begin() + 1);
    // A spreadsheet that fails on the way: only the message.
    ui.excel = [](const TextTable&, std::string_view) {
        throw Error("il server non risponde");
    };
    EXPECT_EQ(logOf([&] { window->imgExcelMouseUp(); }),
              "Velarium: Esporta in Excel: il server non risponde\n");
    ASSERT_EQ(ui.shown.size(), 2u);
    for (const auto& box : ui.shown) {
        EXPECT_EQ(box.kind, BoxKind::Plain);
        EXPECT_EQ(box.text, message);
        EXPECT_FALSE(box.busy);
    }
}

#ifndef _WIN32
// With no application for the documents, the export can still be had as a file: asked for, with
// the passwords in clear said plainly, and never over one of the program's own files.
TEST_F(ExportTest, WithoutAnOfficeApplicationTheDocumentCanBeSavedInstead)
{
    store(2);
    window->show();
    ui.wordFile = [](const std::filesystem::path& target, const TextTable& table) {
        platform::writeDocx(target, table);
    };
    ui.excelFile = [](const std::filesystem::path& target, const TextTable& table,
                      std::string_view sheet) {
        platform::writeXlsx(target, table, sheet);
    };
    TempFolder saved;
    for (const bool word : {true, false}) {
        ui.shown.clear();
        const QString target =
            QString::fromStdString((saved / (word ? "a.docx" : "a.xlsx")).string());
        ui.chooseNext(target);
        word ? window->imgWordMouseUp() : window->imgExcelMouseUp();
        ASSERT_EQ(ui.shown.size(), 3u);
        EXPECT_EQ(ui.shown[1].kind, BoxKind::Question);
        EXPECT_TRUE(ui.shown[1].text.contains(
            QStringLiteral("il file conterrà in chiaro tutte le password dell'archivio")));
        EXPECT_EQ(ui.shown[2].title, QStringLiteral("Salvataggio archivio effettuato"));
        EXPECT_EQ(ui.dialogs.back().defaultExtension,
                  word ? QStringLiteral("docx") : QStringLiteral("xlsx"));
        EXPECT_EQ(test::readFile(target.toStdString()).substr(0, 2), "PK") << "not an office file";
    }

    // The archive itself is never the target.
    ui.shown.clear();
    const std::string archive = test::readFile(folder / kCardArchiveName);
    ui.chooseNext(QString::fromStdString((folder / kCardArchiveName).string()));
    const std::string log = logOf([&] { window->imgWordMouseUp(); });
    ASSERT_EQ(ui.shown.size(), 3u);
    EXPECT_EQ(ui.shown[2].title, QStringLiteral("Salvataggio archivio non riuscito"));
    EXPECT_NE(log.find("\nVelarium: Esporta in Word: "), std::string::npos) << log;
    EXPECT_EQ(test::readFile(folder / kCardArchiveName), archive);

    // Where nothing can write the files (Windows without Office), nothing is offered.
    ui.officeFiles = false;
    ui.shown.clear();
    window->imgExcelMouseUp();
    EXPECT_EQ(ui.shown.size(), 1u);
}
#endif

TEST_F(ExportTest, HoveringExplainsTheCommandsAndTheCurrentCell)
{
    store(2);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const QColor red(255, 0, 0);
    auto colour = [](QLabel* label) {
        return label->palette().color(QPalette::WindowText);
    };
    const std::pair<QWidget*, const char*> hints[] = {
        {window->imgWord, " Esporta l'archivio in un file di Microsoft Word."},
        {window->lblExcel, " Esporta l'archivio in un foglio di lavoro di Microsoft Excel."},
        {window->imgGuida, " Visualizza la guida in linea."},
        {window->lblEsci, " Esce dalla schermata di lavoro corrente."},
    };
    for (const auto& [control, hint] : hints) {
        QTest::mouseMove(control, QPoint(5, 5));
        EXPECT_EQ(window->panInfo->text(), QString::fromUtf8(hint));
    }
    EXPECT_EQ(colour(window->lblEsci), red);
    EXPECT_EQ(colour(window->lblWord), QColor(Qt::black));

    window->grdRecords->setCurrentCell(2, 1);
    QTest::mouseMove(window->grdRecords->viewport(), QPoint(300, 10));
    EXPECT_EQ(window->panInfo->text(), QStringLiteral(" Scheda 2"));
    EXPECT_EQ(colour(window->lblEsci), QColor(Qt::black));

    QTest::mouseMove(window->grpControlli, QPoint(700, 10));
    EXPECT_TRUE(window->panInfo->text().isEmpty());
}

// What the grid shows at a point of its own: the cell under it, in whichever of its views lies
// on top there, and that view's colour at the point.
struct Seen
{
    int row = -1;
    int column = -1;
    QColor colour;
};

Seen seenAt(QTableWidget* grid, QPoint at)
{
    Seen seen;
    seen.colour = grid->grab().toImage().pixelColor(at);
    QWidget* surface = grid->childAt(at);
    auto* view = surface ? qobject_cast<QAbstractItemView*>(surface->parentWidget()) : nullptr;
    if (view && surface == view->viewport()) {
        const QModelIndex index = view->indexAt(surface->mapFrom(grid, at));
        seen.row = index.row();
        seen.column = index.column();
    }
    return seen;
}

TEST_F(ExportTest, TheTitleRowAndTheNumberColumnStayInViewWhileTheGridScrolls)
{
    store(30);
    window->show();
    QTableWidget* grid = window->grdRecords;
    const QColor skyBlue(166, 202, 240);
    const QPoint title(200, 12), number(25, 200), data(200, 200);
    struct Case
    {
        int vertical; // the scroll bars' share of their range, in percent
        int horizontal;
    };
    for (const Case& scrolled :
         {Case{0, 0}, Case{50, 0}, Case{100, 0}, Case{0, 100}, Case{100, 100}}) {
        SCOPED_TRACE(testing::Message() << scrolled.vertical << "% " << scrolled.horizontal << "%");
        QScrollBar* down = grid->verticalScrollBar();
        QScrollBar* across = grid->horizontalScrollBar();
        // The scroll ranges follow the new rows once the grid has laid them out.
        ASSERT_TRUE(QTest::qWaitFor([&] { return down->maximum() > 0 && across->maximum() > 0; }));
        down->setValue(down->maximum() * scrolled.vertical / 100);
        across->setValue(across->maximum() * scrolled.horizontal / 100);
        const Seen top = seenAt(grid, title);
        EXPECT_EQ(top.row, 0);
        EXPECT_EQ(top.colour, skyBlue);
        const Seen left = seenAt(grid, number);
        EXPECT_EQ(left.column, 0);
        EXPECT_EQ(left.colour, skyBlue);
        EXPECT_EQ(seenAt(grid, {25, 12}).row, 0) << "the corner";
        EXPECT_EQ(seenAt(grid, {25, 12}).column, 0);
        // The numbers follow the rows, the titles the columns.
        const Seen inside = seenAt(grid, data);
        EXPECT_GT(inside.row, 0);
        EXPECT_GT(inside.column, 0);
        EXPECT_EQ(left.row, inside.row);
        EXPECT_EQ(top.column, inside.column);
    }
    // At the very end of both ranges the last card is in full view, below the titles.
    const QRect last = grid->visualRect(grid->model()->index(30, 3));
    EXPECT_GE(last.top(), grid->rowHeight(0));
    EXPECT_LE(last.bottom(), grid->viewport()->height());
}

TEST_F(ExportTest, ColumnsAreResizedByDraggingTheirEdgeInTheTitleRow)
{
    store(3);
    window->show();
    QTableWidget* grid = window->grdRecords;
    struct Drag
    {
        int column;
        int from; // the column's right edge, in the grid
        int by;
    };
    for (const Drag& drag : {Drag{1, 550, 40}, Drag{0, 50, 30}, Drag{2, 870 - 200, -100}}) {
        SCOPED_TRACE(drag.column);
        if (drag.column == 2) {
            // A column scrolled partly out of view is sized where its edge now is.
            grid->horizontalScrollBar()->setValue(200);
        }
        const int before = grid->columnWidth(drag.column);
        const QPoint at(drag.from - 1, 12);
        QWidget* titles = grid->childAt(at);
        ASSERT_NE(titles, nullptr);
        const QPoint local = titles->mapFrom(grid, at);
        QTest::mouseMove(titles, local);
        EXPECT_EQ(titles->cursor().shape(), Qt::SplitHCursor);
        QTest::mousePress(titles, Qt::LeftButton, {}, local);
        QTest::mouseMove(titles, local + QPoint(drag.by, 0));
        QTest::mouseRelease(titles, Qt::LeftButton, {}, local + QPoint(drag.by, 0));
        EXPECT_EQ(grid->columnWidth(drag.column), before + drag.by);
    }
    // The fixed column is as wide as the numbers' column now is.
    EXPECT_EQ(seenAt(grid, {75, 40}).column, 0);
    // Away from an edge the title row neither sizes nor selects anything.
    const QPoint middle(300, 12);
    QWidget* titles = grid->childAt(middle);
    QTest::mouseMove(titles, titles->mapFrom(grid, middle));
    EXPECT_NE(titles->cursor().shape(), Qt::SplitHCursor);
    const int widths[] = {grid->columnWidth(0), grid->columnWidth(1), grid->columnWidth(2)};
    QTest::mouseClick(titles, Qt::LeftButton, {}, titles->mapFrom(grid, middle));
    EXPECT_EQ(grid->columnWidth(0), widths[0]);
    EXPECT_EQ(grid->columnWidth(1), widths[1]);
    EXPECT_EQ(grid->columnWidth(2), widths[2]);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 1);
}

TEST_F(ExportTest, TheCurrentCellStartsAtTheFirstCardAndNeverEntersTheFixedCells)
{
    store(12);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTableWidget* grid = window->grdRecords;
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 1);
    QTest::mouseMove(grid->viewport(), QPoint(400, 200));
    EXPECT_EQ(window->panInfo->text(), QStringLiteral(" Scheda 1"));
    // Over the fixed cells the mouse is over the grid too.
    QTest::mouseMove(window->lblWord, QPoint(5, 5));
    QWidget* titles = grid->childAt(QPoint(300, 12));
    QTest::mouseMove(titles, QPoint(250, 12));
    EXPECT_EQ(window->panInfo->text(), QStringLiteral(" Scheda 1"));

    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Up);
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 1);
    // The last card brought into view is below the titles, and back at the top the first is.
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->currentRow(), 12);
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_GE(grid->visualRect(grid->currentIndex()).top(), grid->rowHeight(0));
    EXPECT_GE(grid->visualRect(grid->currentIndex()).left(), grid->columnWidth(0));
}

TEST_F(ExportTest, EsciClosesTheWindow)
{
    window->show();
    QTest::mouseClick(window->imgEsci, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
}

#ifdef _WIN32
// The real servers through COM, on a computer without Microsoft Office (as under Wine): both
// commands show their own messages and leave no file behind.
TEST_F(ExportTest, WithoutOfficeTheRealServersGiveBothMessages)
{
    CLSID server;
    if (SUCCEEDED(::CLSIDFromProgID(L"Word.Application", &server)) ||
        SUCCEEDED(::CLSIDFromProgID(L"Excel.Application", &server))) {
        GTEST_SKIP() << "Microsoft Office is installed here";
    }
    store(2);
    window->show();
    // As the Windows desktop: Word and Excel write their documents themselves, or nothing does.
    ui.officeFiles = false;
    ui.word = [](const TextTable& table) {
        platform::win32::showInWord(table);
    };
    ui.excel = [](const TextTable& table, std::string_view sheet) {
        platform::win32::showInExcel(table, sheet);
    };
    const auto before = std::distance(std::filesystem::directory_iterator(folder.path()),
                                      std::filesystem::directory_iterator());
    window->imgWordMouseUp();
    window->imgExcelMouseUp();
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].text,
              QStringLiteral("Attenzione: il sistema non consente di creare il file di Microsoft "
                             "Word.\n\r\n\rEsportazione dati non riuscita."));
    EXPECT_TRUE(ui.shown[1].text.startsWith(
        QStringLiteral("Si è verificato un errore durante l'esportazione dei dati in Excel.")));
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              before);
}
#endif

namespace {

TEST_F(ExportTest, TheGuideOpensTheHelpOnExportingThroughTheNavigator)
{
    QTest::mouseClick(window->imgGuida, Qt::LeftButton);
    EXPECT_EQ(navigator.shown,
              std::vector<std::string>{"help: Esportazione archivio file criptati in Microsoft "
                                       "Word ed Excel"});
    EXPECT_TRUE(ui.shown.empty());
}

} // namespace
