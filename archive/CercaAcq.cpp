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

QLabel* makeText(QWidget* parent, const char* name, const char* text, const QRect& geometry,
                 bool bold = true, const QColor& colour = Qt::black)
{
    auto* label = named(new QLabel(QString::fromUtf8(text), parent), name);
    QFont font(kVerdana, 8);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setGeometry(geometry);
    return label;
}

QPushButton* makeCommand(QWidget* parent, const char* name, const char* caption,
                         const QRect& geometry)
{
    QPushButton* button = makeButton(parent, name, caption, geometry);
    button->setFocusPolicy(Qt::ClickFocus); // never reached with Tab
    return button;
}

} // namespace

std::string TfrmCercaAcq::rememberedFindKey;

TfrmCercaAcq::TfrmCercaAcq(AppContext context, SearchNavigator& navigator, QWidget* parent)
    : QDialog(parent, kDialogWindowFlags), context_(context), navigator_(navigator)
{
    setObjectName(QStringLiteral("frmCercaAcq"));
    keepLightScheme(this);
    setWindowTitle(QStringLiteral(" Ricerca schede file criptati in archivio"));
    setFixedSize(783, 505);
    setBackground(this, kSilver);
    setFont(QFont(kVerdana, 8));
    setModal(true);

    buildCriteriaPage();
    buildListPage();

    cmdIndietro = makeCommand(this, "cmdIndietro", "<< Indietro", QRect(12, 458, 130, 34));
    cmdStampa = makeCommand(this, "cmdStampa", "Stampa", QRect(152, 458, 130, 34));
    cmdTrova = makeCommand(this, "cmdTrova", "Trova", QRect(500, 458, 130, 34));
    cmdAnnulla = makeCommand(this, "cmdAnnulla", "Annulla", QRect(641, 458, 130, 34));
    cmdIndietro->setEnabled(false);
    cmdStampa->setEnabled(false);

    lblConta = named(new QLabel(QStringLiteral("0"), this), "lblConta");
    lblConta->hide();
    lblMemory = named(new QLabel(this), "lblMemory");
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

void TfrmCercaAcq::buildCriteriaPage()
{
    grpCriteri = named(new QGroupBox(this), "grpCriteri");
    grpCriteri->setGeometry(10, 6, 763, 440);

    shpTitolo = makePanel(grpCriteri, "shpTitolo", kNavy, QRect(12, 18, 739, 52));
    lblTitolo =
        named(new QLabel(QStringLiteral("Ricerca schede file criptati in archivio"), shpTitolo),
              "lblTitolo");
    QFont title(kVerdana);
    title.setPixelSize(24);
    title.setBold(true);
    lblTitolo->setFont(title);
    QPalette white = lblTitolo->palette();
    white.setColor(QPalette::WindowText, kWhite);
    lblTitolo->setPalette(white);
    lblTitolo->setGeometry(0, 0, 739, 52);
    lblTitolo->setAlignment(Qt::AlignCenter);

    shpLogo = makePanel(grpCriteri, "shpLogo", kWhite, QRect(12, 84, 172, 172));
    shpLogo->setFrameStyle(QFrame::Box | QFrame::Plain);
    imgLogo = makePicture(shpLogo, "imgLogo", QStringLiteral(":/images/cercaLogo.jpg"), {6, 6});

    shpContainer = makePanel(grpCriteri, "shpContainer", kWhite, QRect(196, 84, 555, 172));
    shpContainer->setFrameStyle(QFrame::Box | QFrame::Plain);
    bevContainer = makeBevel(shpContainer, "bevContainer", QRect(6, 6, 543, 160));
    lblInfo = makeText(shpContainer, "lblInfo",
                       "Immettere nel campo di ricerca una o più parole consecutive presenti nella",
                       QRect(16, 16, 530, 18));
    lblInfo04 = makeText(shpContainer, "lblInfo04", "casella Descrizione delle schede in archivio.",
                         QRect(16, 34, 530, 18));
    lblInfo05 = makeText(
        shpContainer, "lblInfo05",
        "Per visualizzare tutte le schede in archivio lasciare in bianco il campo di ricerca.",
        QRect(16, 62, 530, 18));
    lblInfo06 = makeText(shpContainer, "lblInfo06", "Infine, premere il pulsante Trova.",
                         QRect(16, 80, 530, 18));
    lblTipologia = makeText(shpContainer, "lblTipologia",
                            "Descrizione file:", QRect(56, 110, 200, 18), true, kNavy);
    imgDescrizione = makePicture(shpContainer, "imgDescrizione",
                                 QStringLiteral(":/images/cercaDescrizione.png"), {16, 124});
    bevDescrizione = makeBevel(shpContainer, "bevDescrizione", QRect(52, 126, 490, 36));
    panDescrizione = makePanel(shpContainer, "panDescrizione", QColor(0xDD, 0xEE, 0xFF),
                               QRect(56, 129, 482, 30));
    txtDescrizione = named(new QLineEdit(panDescrizione), "txtDescrizione");
    txtDescrizione->setGeometry(3, 3, 476, 24);
    nameForScreenReaders(txtDescrizione, lblTipologia->text());
    txtDescrizione->setMaxLength(250);
    QFont bold(kVerdana, 8);
    bold.setBold(true);
    txtDescrizione->setFont(bold);
    txtDescrizione->setValidator(new AnsiValidator(txtDescrizione));
    setBackground(txtDescrizione, kWhite);

    imgDecoro = makePicture(grpCriteri, "imgDecoro", QStringLiteral(":/images/cercaDecoro.jpg"),
                            {100, 290});

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

void TfrmCercaAcq::buildListPage()
{
    grpElenco = named(new QGroupBox(this), "grpElenco");
    grpElenco->setGeometry(10, 6, 763, 440);

    lblInfo01 = makeText(grpElenco, "lblInfo01",
                         "Inserire una o più parole consecutive presenti nella scheda da cercare e "
                         "premere il pulsante Trova.",
                         QRect(12, 16, 740, 18), false);
    lblInfo02 = makeText(grpElenco, "lblInfo02",
                         "Per spostarsi sulla voce successiva contenente la stessa chiave di "
                         "ricerca, fare di nuovo clic su Trova.",
                         QRect(12, 34, 740, 18), false);

    shpTrova = makePanel(grpElenco, "shpTrova", QColor(0xDD, 0xEE, 0xFF), QRect(12, 58, 739, 60));
    shpTrova->setFrameStyle(QFrame::Box | QFrame::Plain);
    imgLente = makePicture(shpTrova, "imgLente", QStringLiteral(":/images/cercaLente.png"), {8, 6});
    txtTrova = named(new QLineEdit(shpTrova), "txtTrova");
    txtTrova->setGeometry(68, 16, 520, 26);
    nameForScreenReaders(txtTrova, QStringLiteral("Trova"), lblInfo02->text());
    txtTrova->setMaxLength(250);
    txtTrova->setValidator(new AnsiValidator(txtTrova));
    setBackground(txtTrova, kWhite);
    cmdTrova02 = makeCommand(shpTrova, "cmdTrova02", "Trova", QRect(600, 13, 128, 32));

    lstRecords = named(new QListWidget(grpElenco), "lstRecords");
    lstRecords->setGeometry(12, 126, 739, 282);
    nameForScreenReaders(lstRecords, QStringLiteral("Elenco delle schede"));
    QFont courier(kCourierNew);
    courier.setStyleHint(QFont::TypeWriter);
    courier.setPixelSize(11);
    lstRecords->setFont(courier);
    lstRecords->setFocusPolicy(Qt::ClickFocus);
    lstRecords->setUniformItemSizes(true);
    lstRecords->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setBackground(lstRecords, kWhite);

    lblInfo03 = makeText(grpElenco, "lblInfo03",
                         "Per richiamare i dati di una scheda, selezionarla con un doppio clic.",
                         QRect(12, 414, 739, 18), true, kMaroon);
    lblInfo03->setAlignment(Qt::AlignCenter);

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
