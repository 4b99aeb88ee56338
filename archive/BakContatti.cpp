#include "archive/BakContatti.h"

#include "app/Controls.h"
#include "archive/ArchiveBackup.h"
#include "platform/Log.h"
#include "platform/QtText.h"

namespace velarium {

TfrmBakContatti::TfrmBakContatti(AppContext context, QWidget* parent)
    : QDialog(parent, kDialogWindowFlags), context_(context)
{
    keepLightScheme(this);
    setupUi(this);
    setBackground(this, kSilver);
    for (QFrame* shape : {shpBackup, Shape1}) {
        setBackground(shape, kWhite);
    }
    for (QLabel* label : {lblInfo, Label1, Label2, Label3, Label4, Label5}) {
        setCaptionColour(label, Qt::black);
    }
    for (QLabel* warning : {Label6, Label7}) {
        setCaptionColour(warning, kRed);
    }
    // A pixel size, which a form cannot hold: the captions keep their width on any screen.
    const QFont commands = fontInPixels(kVerdana, 13);
    for (QPushButton* command : {cmdBackup, cmdRipristina, cmdAnnulla}) {
        command->setFont(commands);
    }
    // The line is drawn over the group's other controls and must not take their clicks.
    Bevel1->setAttribute(Qt::WA_TransparentForMouseEvents);

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
