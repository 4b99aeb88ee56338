#include "archive/CercaAcq.h"

#include "app/Controls.h"
#include "app/ErrorDisplay.h"
#include "app/Navigator.h"
#include "archive/ArchiveSession.h"
#include "archive/CardList.h"
#include "archive/ListPrint.h"
#include "archive/ProgramFiles.h"
#include "platform/Log.h"
#include "platform/QtText.h"
#include "platform/Text.h"
#include "platform/UiServices.h"

#include <QDateTime>
#include <QGroupBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QScrollBar>

namespace velarium {
namespace {

const QString kCallerTag = QStringLiteral("criptografia");
// The width the list can scroll sideways, so that long descriptions can be read whole.
constexpr int kListScrollWidth = 1600;

} // namespace

std::string TfrmCercaAcq::rememberedFindKey;

TfrmCercaAcq::TfrmCercaAcq(AppContext context, SearchNavigator& navigator, QWidget* parent)
    : QDialog(parent, kDialogWindowFlags), context_(context), navigator_(navigator)
{
    keepLightScheme(this);
    setupUi(this);
    setBackground(this, kSilver);
    setUpCriteriaPage();
    setUpListPage();
    // Holders of state, never shown. Designer keeps no visibility, so the form cannot hide them.
    lblConta->hide();
    lblMemory->hide();

    showListPage(false);
    centreOnScreen(this);

    connect(cmdTrova, &QPushButton::clicked, this, &TfrmCercaAcq::cmdTrovaClick);
    connect(cmdTrova02, &QPushButton::clicked, this, &TfrmCercaAcq::cmdTrova02Click);
    connect(cmdIndietro, &QPushButton::clicked, this, &TfrmCercaAcq::cmdIndietroClick);
    connect(cmdAnnulla, &QPushButton::clicked, this, &TfrmCercaAcq::cmdAnnullaClick);
    connect(cmdStampa, &QPushButton::clicked, this, &TfrmCercaAcq::cmdStampaClick);
    connect(lstRecords, &QListWidget::itemDoubleClicked, this, &TfrmCercaAcq::lstRecordsDblClick);
}

TfrmCercaAcq::~TfrmCercaAcq() = default;

void TfrmCercaAcq::setUpCriteriaPage()
{
    setBackground(shpTitolo, kNavy);
    // A pixel size, which a form cannot hold: the title fills its band on any screen.
    QFont title = fontInPixels(kVerdana, 24);
    title.setBold(true);
    lblTitolo->setFont(title);
    setCaptionColour(lblTitolo, kWhite);

    for (QFrame* panel : {shpLogo, shpContainer}) {
        setBackground(panel, kWhite);
    }
    for (QLabel* caption : {lblInfo, lblInfo04, lblInfo05, lblInfo06}) {
        setCaptionColour(caption, Qt::black);
    }
    setCaptionColour(lblTipologia, kNavy);
    // The bevels are drawn over the panel's other controls and must not take their clicks.
    for (QFrame* bevel : {bevContainer, bevDescrizione}) {
        bevel->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    setBackground(panDescrizione, kLightBlue);

    nameForScreenReaders(txtDescrizione, lblTipologia->text());
    txtDescrizione->setValidator(new AnsiValidator(txtDescrizione));
    setBackground(txtDescrizione, kWhite);
    // Enter starts the search, as the Trova button would.
    watchField(txtDescrizione, {[this] { setBackground(txtDescrizione, kFocusYellow); },
                                [this] { setBackground(txtDescrizione, kWhite); },
                                [this](QKeyEvent* key) {
                                    if (isEnterKey(key)) {
                                        cmdTrovaClick();
                                        return true;
                                    }
                                    return false;
                                }});
}

void TfrmCercaAcq::setUpListPage()
{
    for (QLabel* caption : {lblInfo01, lblInfo02}) {
        setCaptionColour(caption, Qt::black);
    }
    setBackground(shpTrova, kLightBlue);

    nameForScreenReaders(txtTrova, QStringLiteral("Trova"), lblInfo02->text());
    txtTrova->setValidator(new AnsiValidator(txtTrova));
    setBackground(txtTrova, kWhite);

    nameForScreenReaders(lstRecords, QStringLiteral("Elenco delle schede"));
    // A fixed pitch in a pixel size, which a form cannot hold, so that the columns of the
    // entries line up.
    QFont courier(kCourierNew);
    courier.setStyleHint(QFont::TypeWriter);
    courier.setPixelSize(11);
    lstRecords->setFont(courier);
    setBackground(lstRecords, kWhite);

    setCaptionColour(lblInfo03, kMaroon);

    watchField(txtTrova, {[this] { setBackground(txtTrova, kFocusYellow); },
                          [this] { setBackground(txtTrova, kWhite); },
                          [this](QKeyEvent* key) {
                              if (isEnterKey(key)) {
                                  cmdTrova02Click();
                                  return true;
                              }
                              return false;
                          }});
}

void TfrmCercaAcq::showListPage(bool list)
{
    grpElenco->setVisible(list);
    grpCriteri->setVisible(!list);
    cmdTrova->setEnabled(!list);
    cmdIndietro->setEnabled(list);
    cmdStampa->setEnabled(list);
}

void TfrmCercaAcq::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (becameVisible(event)) {
        FormShow();
    }
}

void TfrmCercaAcq::FormShow()
{
    rememberedFindKey.clear();
    txtTrova->clear();
    txtDescrizione->setFocus();
}

void TfrmCercaAcq::cmdTrovaClick()
{
    const auto criteria = toAnsi(txtDescrizione->text());
    lblConta->setText(trimmedText(txtDescrizione->text()).isEmpty() ? QStringLiteral("0")
                                                                    : QStringLiteral("1"));
    try {
        if (!criteria) {
            throw Error("Criteri di ricerca non rappresentabili");
        }
        lstRecords->clear();
        entries_.clear();
        entries_ =
            withArchive(context_.programFolder, ArchiveUse::Reading,
                        [&](CardArchive& archive) { return searchCardList(archive, *criteria); });
    } catch (const std::exception& failure) {
        logFailure("Trova", failure);
        context_.ui.plainMessage(kArchiveAccessMessage);
        return;
    }
    QStringList items;
    items.reserve(static_cast<qsizetype>(entries_.size()));
    for (const std::string& entry : entries_) {
        items << fromAnsi(entry);
    }
    lstRecords->addItems(items);
    // Every row as wide as the scroll range; the height of a row is the list font's 14 pixels.
    for (int i = 0; i < lstRecords->count(); ++i) {
        lstRecords->item(i)->setSizeHint(QSize(kListScrollWidth, 14));
    }
    lstRecords->setCurrentRow(-1);
    lstRecords->clearSelection();

    showListPage(true);
    txtTrova->clear();
    txtTrova->setFocus();
}

void TfrmCercaAcq::cmdTrova02Click()
{
    if (lstRecords->count() == 0) {
        context_.ui.plainMessage(
            QStringLiteral("Ricerca non applicabile: la lista non contiene nessuna voce."));
        return;
    }
    const auto key = toAnsi(txtTrova->text());
    if (!key) {
        return;
    }
    const int current = lstRecords->currentRow();
    const auto next =
        findNextEntry(entries_, current >= 0 ? std::optional<std::size_t>(current) : std::nullopt,
                      *key, rememberedFindKey);
    if (next) {
        lstRecords->setCurrentRow(static_cast<int>(*next));
        lstRecords->scrollToItem(lstRecords->currentItem());
    }
    rememberedFindKey = lowerCase(*key);
}

void TfrmCercaAcq::cmdIndietroClick()
{
    lstRecords->clear();
    entries_.clear();
    lblConta->setText(QStringLiteral("0"));
    showListPage(false);
    txtDescrizione->setFocus();
}

void TfrmCercaAcq::cmdAnnullaClick()
{
    reject();
}

void TfrmCercaAcq::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TfrmCercaAcq::FormClose()
{
    lstRecords->clear();
    entries_.clear();
    txtDescrizione->clear();
    lblConta->setText(QStringLiteral("0"));
    showListPage(false);
}

void TfrmCercaAcq::lstRecordsDblClick()
{
    try {
        const int row = lstRecords->currentRow();
        if (row < 0 || static_cast<std::size_t>(row) >= entries_.size()) {
            throw Error("Nessuna voce selezionata");
        }
        const auto found =
            withArchive(context_.programFolder, ArchiveUse::Reading, [&](CardArchive& archive) {
                return lastCardDescribed(archive, entries_[static_cast<std::size_t>(row)]);
            });
        if (found && trimmedText(lblMemory->text()) == kCallerTag) {
            navigator_.showFoundCard(found->first, found->second);
        }
    } catch (const std::exception& failure) {
        // Loading fails quietly: the window closes and the main window stays as it was.
        logFailure("Carica scheda", failure);
    }
    reject();
}

void TfrmCercaAcq::cmdStampaClick()
{
    if (lstRecords->count() == 0) {
        context_.ui.plainMessage(QStringLiteral(
            "Operazione di stampa non applicabile: la lista non contiene nessuna voce."));
        return;
    }
    if (!context_.ui.question(QStringLiteral("Conferma operazione di stampa"),
                              QStringLiteral("Si vuole stampare il presente elenco?"))) {
        return;
    }
    // The printing system's failures are not this window's to report: they go to the
    // application's general error display.
    runUnguarded(context_.ui, [&] {
        std::unique_ptr<PrintJob> job;
        try {
            job = context_.ui.startPrintJob();
        } catch (const NoPrinter&) {
            job = pdfInsteadOfPrinter();
            if (!job) {
                return;
            }
        }
        BusyPointer busy(context_.ui);
        const QDateTime now = QDateTime::currentDateTime();
        printCardList(*job, entries_,
                      now.date().toString(QStringLiteral("dd/MM/yyyy")).toStdString(),
                      now.time().toString(QStringLiteral("HH:mm:ss")).toStdString());
        job->finish();
    });
}

std::unique_ptr<PrintJob> TfrmCercaAcq::pdfInsteadOfPrinter()
{
    if (!context_.ui.question(QStringLiteral("Stampa non disponibile"),
                              QStringLiteral("Attenzione: nel sistema non è installata alcuna "
                                             "stampante.\r\n\r\nSi vuole salvare l'elenco in "
                                             "un file PDF, impaginato come la stampa?"))) {
        return nullptr;
    }
    FileDialog dialog;
    dialog.title = QStringLiteral("Salva elenco schede in PDF");
    dialog.filter = QStringLiteral("Documento PDF (*.pdf)|*.pdf");
    dialog.defaultExtension = QStringLiteral("pdf");
    dialog.fileName = QStringLiteral("Elenco schede file criptati.pdf");
    dialog.forSaving = true;
    if (!context_.ui.runFileDialog(dialog)) {
        return nullptr;
    }
    const std::filesystem::path file = toPath(dialog.fileName);
    refuseProgramFile(context_.programFolder, file);
    return context_.ui.startPdfJob(file);
}

} // namespace velarium
