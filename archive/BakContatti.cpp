#include "archive/BakContatti.h"

#include "app/Controls.h"
#include "archive/ArchiveBackup.h"
#include "platform/Log.h"
#include "platform/QtText.h"

#include <QGroupBox>

namespace velarium {
namespace {

QLabel* makeText(QWidget* parent, const char* name, const char* text, int top,
                 const QColor& colour = Qt::black)
{
    auto* label = named(new QLabel(QString::fromUtf8(text), parent), name);
    label->setFont(QFont(kVerdana, 8));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setGeometry(116, top, 545, 18);
    return label;
}

QPushButton* makeCommand(QWidget* parent, const char* name, const char* caption,
                         const QRect& geometry)
{
    QPushButton* button = makeButton(parent, name, caption, geometry);
    button->setFocusPolicy(Qt::ClickFocus); // never reached with Tab
    QFont font(kVerdana);
    font.setPixelSize(13);
    button->setFont(font);
    return button;
}

// The white frame around a picture of one half of the window.
QFrame* makeShape(QWidget* parent, const char* name, int top)
{
    QFrame* shape = makePanel(parent, name, kWhite, QRect(14, top, 84, 84));
    shape->setFrameStyle(QFrame::Box | QFrame::Plain);
    return shape;
}

} // namespace

TfrmBakContatti::TfrmBakContatti(AppContext context, QWidget* parent)
    : QDialog(parent, kDialogWindowFlags), context_(context)
{
    setObjectName(QStringLiteral("frmBakContatti"));
    keepLightScheme(this);
    setWindowTitle(QStringLiteral(" Backup / Ripristino archivio file criptati"));
    setFixedSize(697, 393);
    setBackground(this, kSilver);
    setFont(QFont(kVerdana, 8));
    setModal(true);

    grpControlli = named(new QGroupBox(this), "grpControlli");
    grpControlli->setGeometry(10, 6, 677, 328);

    shpBackup = makeShape(grpControlli, "shpBackup", 20);
    imgBackup =
        makePicture(shpBackup, "imgBackup", QStringLiteral(":/images/bakBackup.png"), {10, 10});
    lblInfo =
        makeText(grpControlli, "lblInfo",
                 "Utilizzare il pulsante di sotto per effettuare il backup dell'archivio dei", 22);
    Label1 = makeText(grpControlli, "Label1", "file criptati.", 40);
    Label2 =
        makeText(grpControlli, "Label2",
                 "Bisognerà selezionare il percorso della cartella di destinazione in cui", 64);
    Label3 =
        makeText(grpControlli, "Label3", "si intende salvare la copia di sicurezza del file.", 82);
    cmdBackup =
        makeCommand(grpControlli, "cmdBackup", "Crea file di backup", QRect(451, 114, 210, 34));

    Bevel1 = makeBevel(grpControlli, "Bevel1", QRect(14, 162, 649, 2));

    Shape1 = makeShape(grpControlli, "Shape1", 178);
    imgRestore =
        makePicture(Shape1, "imgRestore", QStringLiteral(":/images/bakRestore.png"), {10, 10});
    Label4 =
        makeText(grpControlli, "Label4",
                 "Utilizzare il pulsante di sotto per ripristinare una copia di sicurezza", 180);
    Label5 = makeText(grpControlli, "Label5",
                      "dell'archivio dei file criptati creata precedentemente.", 198);
    Label6 =
        makeText(grpControlli, "Label6",
                 "Attenzione: il file di backup selezionato sovrascriverà l'archivio", 222, kRed);
    Label7 = makeText(grpControlli, "Label7", "attualmente in uso.", 240, kRed);
    cmdRipristina = makeCommand(grpControlli, "cmdRipristina", "Ripristina file di backup",
                                QRect(451, 276, 210, 34));

    cmdAnnulla = makeCommand(this, "cmdAnnulla", "Annulla", QRect(557, 346, 130, 34));

    dlgBackup.title = QStringLiteral("Crea backup archivio file criptati");
    dlgBackup.filter = QStringLiteral("Backup archivio (*.bkc)|*.BKA");
    dlgBackup.fileName = QStringLiteral("File criptati.bka");
    dlgBackup.forSaving = true;
    dlgBackup.confirmOverwrite = false;
    dlgRipristina.title = QStringLiteral("Seleziona archivio file criptati da ripristinare");
    dlgRipristina.filter = QStringLiteral("Backup archivio file criptati (*.bka)|*.BKA");

    centreOnScreen(this);

    connect(cmdBackup, &QPushButton::clicked, this, &TfrmBakContatti::cmdBackupClick);
    connect(cmdRipristina, &QPushButton::clicked, this, &TfrmBakContatti::cmdRipristinaClick);
    connect(cmdAnnulla, &QPushButton::clicked, this, &TfrmBakContatti::cmdAnnullaClick);
}

TfrmBakContatti::~TfrmBakContatti() = default;

void TfrmBakContatti::cmdBackupClick()
{
    if (!context_.ui.runFileDialog(dlgBackup)) {
        return;
    }
    try {
        BusyPointer busy(context_.ui);
        backupArchive(context_.programFolder, withBackupExtension(toPath(dlgBackup.fileName)));
    } catch (const std::exception& failure) {
        logFailure("Backup", failure);
        context_.ui.plainMessage(
            QStringLiteral("Attenzione: il sistema non consente di salvare il file nella "
                           "posizione specificata. Creazione backup archivio non riuscita."));
        return;
    }
    context_.ui.plainMessage(
        QStringLiteral("Creazione backup archivio file criptati completata con successo."));
    accept();
}

void TfrmBakContatti::cmdRipristinaClick()
{
    if (!context_.ui.runFileDialog(dlgRipristina)) {
        return;
    }
    try {
        BusyPointer busy(context_.ui);
        restoreArchive(context_.programFolder, toPath(dlgRipristina.fileName));
    } catch (const std::exception& failure) {
        logFailure("Ripristino", failure);
        context_.ui.plainMessage(
            QStringLiteral("Attenzione: il sistema non consente di sovrascrivere l'archivio "
                           "corrente. Ripristino archivio file criptati non riuscito."));
        return;
    }
    context_.ui.plainMessage(
        QStringLiteral("Ripristino backup archivio file criptati completata con successo."));
    accept();
}

void TfrmBakContatti::cmdAnnullaClick()
{
    reject();
}

} // namespace velarium
