// The search window, opened from the real main window and driven in place of its modal loop.
#include "MainWindowFixture.h"
#include "app/Controls.h"
#include "app/Forms.h"
#include "archive/CardArchive.h"
#include "archive/CercaAcq.h"
#include "archive/ListPrint.h"
#include "platform/QtPrintJob.h"

#include <QGroupBox>
#include <QImage>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <algorithm>
#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::BoxKind;
using velarium::test::MainWindowTest;
using velarium::test::TempFolder;
namespace fs = std::filesystem;

namespace {

class RecordingJob final : public PrintJob
{
public:
    explicit RecordingJob(std::vector<std::string>& lines) : lines_(lines) {}
    int pageHeight() const override { return 4800; }
    int dotsPerInchY() const override { return 600; }
    void setFontSize(int) override {}
    void textOut(int, int, std::string_view text) override { lines_.emplace_back(text); }
    void newPage() override {}
    void finish() override { lines_.emplace_back("<fine>"); }

private:
    std::vector<std::string>& lines_;
};

class SearchTest : public MainWindowTest
{
protected:
    void store(const std::vector<std::string>& descriptions)
    {
        CardArchive archive(program.path());
        archive.Open();
        int n = 0;
        for (const std::string& d : descriptions) {
            ++n;
            archive.Append({"/dati/f" + std::to_string(n), d, "pw" + std::to_string(n),
                            "pw" + std::to_string(n)});
        }
        archive.Close();
    }

    // Hands a loaded card to the fixture's main window, as the program's set of windows does.
    class ToMainWindow final : public SearchNavigator
    {
    public:
        explicit ToMainWindow(TfrmEncrypt_Decrypt& window) : window_(window) {}
        void showFoundCard(const FileCard& card, std::uint64_t number) override
        {
            window_.showCard(card, number);
        }

    private:
        TfrmEncrypt_Decrypt& window_;
    };

    // Opens a search window over the main window, as its Cerca does, and runs `drive` on it
    // while it is up.
    void search(const std::function<void(TfrmCercaAcq&)>& drive)
    {
        bool opened = false;
        ui.onModal = [&](QDialog& dialog) {
            opened = true;
            auto* window = qobject_cast<TfrmCercaAcq*>(&dialog);
            ASSERT_NE(window, nullptr);
            drive(*window);
        };
        ToMainWindow toMainWindow(*window);
        TfrmCercaAcq dialog(AppContext{program.path(), ui}, toMainWindow, window.get());
        dialog.lblMemory->setText(QStringLiteral("criptografia"));
        ui.runModal(dialog);
        ui.onModal = nullptr;
        EXPECT_TRUE(opened);
    }

    static QStringList entries(const TfrmCercaAcq& w)
    {
        QStringList texts;
        for (int i = 0; i < w.lstRecords->count(); ++i) {
            texts << w.lstRecords->item(i)->text();
        }
        return texts;
    }

    static void find(TfrmCercaAcq& w, const QString& criteria)
    {
        w.txtDescrizione->setText(criteria);
        w.cmdTrovaClick();
    }
};

} // namespace

TEST_F(SearchTest, OpensOnTheCriteriaPageTaggedByTheMainWindow)
{
    search([](TfrmCercaAcq& w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral(" Ricerca schede file criptati in archivio"));
        EXPECT_EQ(w.size(), QSize(783, 505));
        EXPECT_TRUE(w.isModal());
        EXPECT_TRUE(w.grpCriteri->isVisible());
        EXPECT_FALSE(w.grpElenco->isVisible());
        EXPECT_TRUE(w.cmdTrova->isEnabled());
        EXPECT_FALSE(w.cmdIndietro->isEnabled());
        EXPECT_FALSE(w.cmdStampa->isEnabled());
        EXPECT_EQ(w.lblConta->text(), QStringLiteral("0"));
        EXPECT_EQ(w.lblMemory->text(), QStringLiteral("criptografia"));
        EXPECT_FALSE(w.lblConta->isVisible());
        EXPECT_EQ(w.lblTitolo->text(), QStringLiteral("Ricerca schede file criptati in archivio"));
        EXPECT_EQ(w.lblInfo->text(), QStringLiteral("Immettere nel campo di ricerca una o più "
                                                    "parole consecutive presenti nella"));
        EXPECT_EQ(w.lblInfo04->text(),
                  QStringLiteral("casella Descrizione delle schede in archivio."));
        EXPECT_EQ(w.lblInfo05->text(), QStringLiteral("Per visualizzare tutte le schede in "
                                                      "archivio lasciare in bianco il campo di "
                                                      "ricerca."));
        EXPECT_EQ(w.lblInfo06->text(), QStringLiteral("Infine, premere il pulsante Trova."));
        EXPECT_EQ(w.lblTipologia->text(), QStringLiteral("Descrizione file:"));
        EXPECT_EQ(w.lblInfo03->text(), QStringLiteral("Per richiamare i dati di una scheda, "
                                                      "selezionarla con un doppio clic."));
        const std::pair<QPushButton*, const char*> buttons[] = {
            {w.cmdTrova, "Trova"},     {w.cmdIndietro, "<< Indietro"}, {w.cmdStampa, "Stampa"},
            {w.cmdAnnulla, "Annulla"}, {w.cmdTrova02, "Trova"},
        };
        for (const auto& [button, caption] : buttons) {
            EXPECT_EQ(button->text(), QString::fromUtf8(caption));
            EXPECT_FALSE(button->focusPolicy() & Qt::TabFocus) << caption;
            EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
        }
        EXPECT_EQ(w.txtDescrizione->maxLength(), 250);
    });
}

TEST_F(SearchTest, CriteriaBuildTheListAndBackReturnsToThem)
{
    store({"Conto di mario", "Banca", "CITT\xC0", "Banca", "conto corrente", ""});
    search([&](TfrmCercaAcq& w) {
        find(w, QStringLiteral("MARIO"));
        EXPECT_TRUE(w.grpElenco->isVisible());
        EXPECT_FALSE(w.grpCriteri->isVisible());
        EXPECT_FALSE(w.cmdTrova->isEnabled());
        EXPECT_TRUE(w.cmdIndietro->isEnabled());
        EXPECT_TRUE(w.cmdStampa->isEnabled());
        EXPECT_EQ(w.lblConta->text(), QStringLiteral("1"));
        EXPECT_EQ(entries(w), QStringList{QStringLiteral("Conto di mario")});
        EXPECT_EQ(w.lstRecords->currentRow(), -1) << "no entry is selected";
        EXPECT_EQ(QApplication::focusWidget(), w.txtTrova);

        w.cmdIndietroClick();
        EXPECT_TRUE(w.grpCriteri->isVisible());
        EXPECT_EQ(w.lstRecords->count(), 0);
        EXPECT_EQ(w.lblConta->text(), QStringLiteral("0"));
        EXPECT_FALSE(w.cmdStampa->isEnabled());
        EXPECT_EQ(w.txtDescrizione->text(), QStringLiteral("MARIO"));
        EXPECT_EQ(QApplication::focusWidget(), w.txtDescrizione);

        find(w, QStringLiteral("città"));
        EXPECT_TRUE(entries(w).isEmpty()) << "À is not folded to à";
        w.cmdIndietroClick();

        // Blanks only list every card, the empty description and both Banca cards included.
        find(w, QStringLiteral("   "));
        EXPECT_EQ(w.lblConta->text(), QStringLiteral("0"));
        EXPECT_EQ(entries(w),
                  (QStringList{QString(), QStringLiteral("Banca"), QStringLiteral("Banca"),
                               QStringLiteral("CITTÀ"), QStringLiteral("conto corrente"),
                               QStringLiteral("Conto di mario")}));
    });
}

TEST_F(SearchTest, EnterInTheCriteriaStartsTheSearch)
{
    store({"Banca"});
    search([&](TfrmCercaAcq& w) {
        w.txtDescrizione->setFocus();
        QTest::keyClicks(w.txtDescrizione, QStringLiteral("ban"));
        QTest::keyClick(w.txtDescrizione, Qt::Key_Return);
        EXPECT_TRUE(w.grpElenco->isVisible());
        EXPECT_EQ(entries(w), QStringList{QStringLiteral("Banca")});
    });
}

TEST_F(SearchTest, AnEmptyArchiveGivesAnEmptyListThatCannotBeSearchedOrPrinted)
{
    search([&](TfrmCercaAcq& w) {
        find(w, QString());
        EXPECT_TRUE(w.grpElenco->isVisible());
        EXPECT_EQ(w.lstRecords->count(), 0);
        w.cmdTrova02Click();
        w.cmdStampaClick();
    });
    EXPECT_FALSE(fs::exists(program / "Velarium.pro")) << "the search only reads: it makes none";
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Plain);
    EXPECT_EQ(ui.shown[0].text,
              QStringLiteral("Ricerca non applicabile: la lista non contiene nessuna voce."));
    EXPECT_EQ(ui.shown[1].text, QStringLiteral("Operazione di stampa non applicabile: la lista "
                                               "non contiene nessuna voce."));
}

TEST_F(SearchTest, TheFindKeyWalksTheListAndIsForgottenByTheNextWindow)
{
    store({"Ricevuta bancaria", "Carta", "Banca"});
    search([&](TfrmCercaAcq& w) {
        find(w, QString());
        w.txtTrova->setFocus();
        QTest::keyClicks(w.txtTrova, QStringLiteral("BAN"));
        QStringList visited;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(w.txtTrova, Qt::Key_Return);
            visited << w.lstRecords->currentItem()->text();
        }
        EXPECT_EQ(visited,
                  (QStringList{QStringLiteral("Banca"), QStringLiteral("Ricevuta bancaria"),
                               QStringLiteral("Banca")}));
        // A key that matches nothing keeps the selection and says nothing.
        w.txtTrova->setText(QStringLiteral("xyz"));
        w.cmdTrova02Click();
        EXPECT_EQ(w.lstRecords->currentRow(), 0);
        // A hand-picked entry is where the next press goes on from.
        w.txtTrova->setText(QStringLiteral("a"));
        w.cmdTrova02Click();
        EXPECT_EQ(w.lstRecords->currentRow(), 0);
        w.lstRecords->setCurrentRow(1);
        w.cmdTrova02Click();
        EXPECT_EQ(w.lstRecords->currentRow(), 2);
        EXPECT_EQ(TfrmCercaAcq::rememberedFindKey, "a");
    });
    EXPECT_TRUE(ui.shown.empty());
    search([&](TfrmCercaAcq&) { EXPECT_TRUE(TfrmCercaAcq::rememberedFindKey.empty()); });
}

TEST_F(SearchTest, ADoubleClickLoadsTheLastCardOfThatDescription)
{
    store({"Banca", "Carta", "Banca"});
    window->txtDescrizione->setText(QStringLiteral("prima"));
    search([&](TfrmCercaAcq& w) {
        find(w, QStringLiteral("banca"));
        ASSERT_EQ(w.lstRecords->count(), 2);
        w.lstRecords->setCurrentRow(0);
        QApplication::processEvents(); // lays the rows out
        const QRect place = w.lstRecords->visualItemRect(w.lstRecords->item(0));
        const QPoint at(place.left() + 20, place.center().y());
        // A double click, as the system delivers it: a first click, then the second.
        QTest::mouseClick(w.lstRecords->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w.lstRecords->viewport(), Qt::LeftButton, {}, at);
        EXPECT_FALSE(w.isVisible()) << "loading closes the window";
    });
    EXPECT_EQ(window->lblPosizione->text(), QStringLiteral("3"));
    EXPECT_EQ(window->txtFile->text(), QStringLiteral("/dati/f3"));
    EXPECT_EQ(window->txtDescrizione->text(), QStringLiteral("Banca"));
    EXPECT_EQ(window->txtPassword->text(), QStringLiteral("pw3"));
    EXPECT_EQ(window->txtCheckPW->text(), QStringLiteral("pw3"));
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(SearchTest, TheMainWindowsCercaAsksForTheSearch)
{
    navigator.shown.clear();
    QTest::mouseClick(window->cmdCerca, Qt::LeftButton);
    EXPECT_EQ(navigator.shown, std::vector<std::string>{"search"});
    EXPECT_TRUE(ui.shown.empty());
}

TEST(ProgramSearchTest, OpensOverTheMainWindowAndLoadsIntoIt)
{
    TempFolder program;
    {
        CardArchive archive(program.path());
        archive.Open();
        archive.Append({"/dati/uno", "Banca", "pw1", "pw1"});
        archive.Append({"/dati/due", "Carta", "pw2", "pw2"});
        archive.Close();
    }
    test::ScriptedUi ui;
    Forms forms(AppContext{program.path(), ui});
    int opened = 0;
    ui.onModal = [&](QDialog& dialog) {
        auto* search = qobject_cast<TfrmCercaAcq*>(&dialog);
        ASSERT_NE(search, nullptr);
        ++opened;
        EXPECT_EQ(search->parentWidget(), forms.frmEncrypt_Decrypt.get());
        search->txtDescrizione->setText(QStringLiteral("carta"));
        search->cmdTrovaClick();
        ASSERT_EQ(search->lstRecords->count(), 1);
        search->lstRecords->setCurrentRow(0);
        search->lstRecordsDblClick();
    };
    forms.frmEncrypt_Decrypt->cmdCercaClick();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(forms.frmEncrypt_Decrypt->lblPosizione->text(), QStringLiteral("2"));
    EXPECT_EQ(forms.frmEncrypt_Decrypt->txtFile->text(), QStringLiteral("/dati/due"));
    EXPECT_EQ(forms.frmEncrypt_Decrypt->txtPassword->text(), QStringLiteral("pw2"));
    // A second search is a window of its own: it opens on the criteria, with nothing found.
    ui.onModal = [&](QDialog& dialog) {
        auto* search = qobject_cast<TfrmCercaAcq*>(&dialog);
        ASSERT_NE(search, nullptr);
        ++opened;
        EXPECT_EQ(search->lstRecords->count(), 0);
        EXPECT_TRUE(search->grpCriteri->isVisibleTo(search));
    };
    forms.frmEncrypt_Decrypt->cmdCercaClick();
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(SearchTest, OnlyTheMainWindowsTagLetsACardLoad)
{
    store({"Banca"});
    search([&](TfrmCercaAcq& w) {
        w.lblMemory->setText(QStringLiteral("altro"));
        find(w, QString());
        w.lstRecords->setCurrentRow(0);
        w.lstRecordsDblClick();
    });
    EXPECT_TRUE(window->lblPosizione->text().isEmpty());
    // No entry selected: the window closes without a word.
    search([&](TfrmCercaAcq& w) {
        find(w, QString());
        w.lstRecordsDblClick();
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_TRUE(window->lblPosizione->text().isEmpty());
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(SearchTest, AnArchiveErrorKeepsTheCriteriaPage)
{
    store({"Banca"});
    fs::permissions(program / "Velarium.pro", fs::perms::owner_read);
    search([&](TfrmCercaAcq& w) {
        find(w, QStringLiteral("banca"));
        EXPECT_TRUE(w.grpCriteri->isVisible());
        EXPECT_FALSE(w.cmdStampa->isEnabled());
    });
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Plain);
    EXPECT_EQ(ui.shown[0].text,
              QStringLiteral("Attenzione: il sistema non permette di accedere all'archivio."
                             "\n\r\n\rAccertarsi di possedere i privilegi di scrittura nella "
                             "cartella di installazione del programma."));
}

TEST_F(SearchTest, PrintingAsksThenPrintsOnlyTheDescriptions)
{
    store({"Banca", "Carta"});
    std::vector<std::string> printed;
    ui.printer = [&] {
        return std::make_unique<RecordingJob>(printed);
    };
    search([&](TfrmCercaAcq& w) {
        find(w, QString());
        ui.answerNext(false);
        w.cmdStampaClick();
        EXPECT_TRUE(printed.empty());
        w.cmdStampaClick();
    });
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Question);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Conferma operazione di stampa"));
    EXPECT_EQ(ui.shown[0].text, QStringLiteral("Si vuole stampare il presente elenco?"));
    ASSERT_EQ(printed.size(), 8u);
    EXPECT_EQ(printed[1], "Elenco schede file criptati");
    EXPECT_EQ(printed[3], "Banca");
    EXPECT_EQ(printed[4], "Carta");
    EXPECT_EQ(printed[6].rfind("Stampa eseguita in data ", 0), 0u);
    EXPECT_EQ(printed[6].substr(26, 1), "/");
    EXPECT_EQ(printed[7], "<fine>");
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(SearchTest, APrinterFailureGoesToTheGeneralErrorDisplayAndTheListStays)
{
    store({"Banca"});
    search([&](TfrmCercaAcq& w) {
        find(w, QString());
        w.cmdStampaClick(); // no printer scripted: the printing system fails the job
        EXPECT_EQ(w.lstRecords->count(), 1);
        EXPECT_TRUE(w.grpElenco->isVisible());
    });
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].kind, BoxKind::Error);
    EXPECT_FALSE(ui.shown[1].text.isEmpty());
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(SearchTest, WithNoPrinterTheListCanBeSavedAsAPdfOfThePrintedPage)
{
    store({"Banca"});
    ui.noPrinter = true;
    std::vector<std::string> printed;
    std::filesystem::path pdfFile;
    ui.pdf = [&](const std::filesystem::path& file) {
        pdfFile = file;
        return std::make_unique<RecordingJob>(printed);
    };
    const QString chosen = QString::fromStdString((program / "elenco.pdf").string());
    search([&](TfrmCercaAcq& w) {
        find(w, QString());
        ui.answerNext(true);  // print
        ui.answerNext(false); // no PDF
        w.cmdStampaClick();
        EXPECT_TRUE(ui.dialogs.empty());
        ui.chooseNext(chosen);
        w.cmdStampaClick(); // the PDF's question answers Yes by default
    });
    ASSERT_EQ(ui.shown.size(), 4u);
    EXPECT_EQ(ui.shown[1].title, QStringLiteral("Stampa non disponibile"));
    EXPECT_EQ(ui.shown[1].text,
              QStringLiteral("Attenzione: nel sistema non è installata alcuna stampante.\r\n\r\n"
                             "Si vuole salvare l'elenco in un file PDF, impaginato come la "
                             "stampa?"));
    EXPECT_EQ(pdfFile, std::filesystem::path(chosen.toStdString()));
    ASSERT_EQ(printed.size(), 7u);
    EXPECT_EQ(printed[3], "Banca");
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(SearchTest, CancellingEmptiesTheWindow)
{
    store({"Banca"});
    search([&](TfrmCercaAcq& w) {
        find(w, QStringLiteral("ban"));
        w.cmdAnnullaClick();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(w.result(), QDialog::Rejected);
        EXPECT_TRUE(w.txtDescrizione->text().isEmpty());
        EXPECT_EQ(w.lstRecords->count(), 0);
        EXPECT_TRUE(w.grpCriteri->isVisible() || !w.grpElenco->isVisibleTo(&w));
        EXPECT_EQ(w.lblConta->text(), QStringLiteral("0"));
    });
}

// The printout through Qt's printing into a PDF, read back as text.
TEST(ListPrintPdf, ThePrintedListReadsBack)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) {
        GTEST_SKIP() << "pdftotext is not installed";
    }
    TempFolder folder;
    const QString pdf = QString::fromStdString((folder / "elenco.pdf").string());
    std::vector<std::string> entries;
    for (int i = 1; i <= 60; ++i) {
        entries.push_back("Descrizione numero " + std::to_string(i) + " citt\xE0");
    }
    {
        auto job = QtPrintJob::toPdf(pdf);
        printCardList(*job, entries, "08/12/2026", "10:30:00");
        job->finish();
    }
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("Elenco schede file criptati")));
    EXPECT_TRUE(text.contains(QString(45, QLatin1Char('-'))));
    EXPECT_TRUE(text.contains(QStringLiteral("Descrizione numero 1 città")));
    EXPECT_TRUE(text.contains(QStringLiteral("Descrizione numero 60 città")));
    EXPECT_TRUE(text.contains(QStringLiteral("Stampa eseguita in data 08/12/2026 alle ore "
                                             "10:30:00")));
    EXPECT_GE(text.count(QLatin1Char('\f')), 1) << "sixty entries take more than one page";
}

TEST(ListPrintResolution, ThePrintersOwnWhenReportedElseThatOfAnOfficePrinter)
{
    struct Case
    {
        int reportedDefault;
        QList<int> supported;
        int expected;
    } const cases[] = {
        {300, {150, 300, 600, 1200, 2400}, 300}, // a cups-pdf queue
        {1200, {600, 1200}, 1200},
        {72, {}, 600},         // CUPS's guess for a printer that tells nothing
        {72, {300, 600}, 600}, // a default outside the printer's own list is no report
        {0, {}, 600},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(layoutResolution(c.reportedDefault, c.supported), c.expected)
            << "default " << c.reportedDefault;
    }
}

namespace {

struct PrintedLine
{
    double top, bottom; // points from the top of the page
    QString text;
};

QString runTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    EXPECT_TRUE(process.waitForFinished(30000)) << tool.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << tool.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text lines of one page as a reader finds them, top to bottom.
std::vector<PrintedLine> linesOfPage(const QString& pdftotext, const QString& pdf, int page)
{
    const QString number = QString::number(page);
    QXmlStreamReader xml(
        runTool(pdftotext, {QStringLiteral("-bbox-layout"), QStringLiteral("-f"), number,
                            QStringLiteral("-l"), number, pdf, QStringLiteral("-")}));
    std::vector<PrintedLine> lines;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == QLatin1String("line")) {
            lines.push_back({xml.attributes().value(QLatin1String("yMin")).toDouble(),
                             xml.attributes().value(QLatin1String("yMax")).toDouble(),
                             {}});
        } else if (xml.name() == QLatin1String("word") && !lines.empty()) {
            QString& text = lines.back().text;
            text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    std::sort(lines.begin(), lines.end(),
              [](const PrintedLine& a, const PrintedLine& b) { return a.top < b.top; });
    return lines;
}

// How many bands of ink, each with blank paper above and below, the page shows when rendered
// without anti-aliasing: lines that run into each other make one band.
int inkBandsOfPage(const QString& pdftoppm, const QString& pdf, int page, const QString& prefix)
{
    const QString number = QString::number(page);
    runTool(pdftoppm, {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-gray"),
                       QStringLiteral("-aa"), QStringLiteral("no"), QStringLiteral("-aaVector"),
                       QStringLiteral("no"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
                       QStringLiteral("-f"), number, QStringLiteral("-l"), number, pdf, prefix});
    const QImage image(prefix + QStringLiteral(".png"));
    EXPECT_FALSE(image.isNull());
    int bands = 0;
    bool inside = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x) {
            ink = qGray(image.pixel(x, y)) < 128;
        }
        bands += ink && !inside ? 1 : 0;
        inside = ink;
    }
    return bands;
}

} // namespace

// Laid out at an office printer's resolution, the fixed gaps of the footer keep the short rule
// and the date line apart, as every other line of the page.
TEST(ListPrintPdf, EveryLineOfThePageStandsApart)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftotext.isEmpty() || pdftoppm.isEmpty()) {
        GTEST_SKIP() << "poppler's pdftotext and pdftoppm are not installed";
    }
    TempFolder folder;
    const QString pdf = QString::fromStdString((folder / "elenco.pdf").string());
    {
        auto job = QtPrintJob::toPdf(pdf);
        printCardList(*job, {"Banca", "Carta di credito", "Ricevuta bancaria"}, "08/12/2026",
                      "10:30:00");
        job->finish();
    }
    const std::vector<PrintedLine> lines = linesOfPage(pdftotext, pdf, 1);
    ASSERT_EQ(lines.size(), 8u) << "3 of header, 3 entries, 2 of footer";
    EXPECT_EQ(lines[1].text, QStringLiteral("Elenco schede file criptati"));
    EXPECT_EQ(lines[3].text, QStringLiteral("Banca"));
    EXPECT_EQ(lines[6].text, QString(20, QLatin1Char('_')));
    EXPECT_EQ(lines[7].text,
              QStringLiteral("Stampa eseguita in data 08/12/2026 alle ore 10:30:00"));
    // Below the header (whose larger rules have font boxes reaching into the title's), each
    // line's box ends before the next one begins.
    for (std::size_t i = 4; i < lines.size(); ++i) {
        EXPECT_LE(lines[i - 1].bottom, lines[i].top)
            << lines[i - 1].text.toStdString() << " / " << lines[i].text.toStdString();
    }
    EXPECT_EQ(inkBandsOfPage(pdftoppm, pdf, 1, QString::fromStdString((folder / "page").string())),
              8);
}
