#include "main/Encrypt_Decrypt.h"

#include "app/Controls.h"
#include "app/ErrorDisplay.h"
#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "guide/HelpTopics.h"
#include "guide/MakerLinks.h"
#include "main/InPlaceCipher.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/QtText.h"
#include "platform/UiServices.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>

namespace velarium {
namespace {

// The texts of one cipher command; the two commands differ only in these and in their checks.
struct CipherTexts
{
    QString confirmTitle, confirmText;
    QString createdTitle, createdText;
    QString replacedTitle, replacedText;
    QString failedTitle, failedText;
};

const CipherTexts& textsFor(CipherDirection direction)
{
    static const CipherTexts encrypt{
        QStringLiteral("Conferma criptaggio file"),
        QStringLiteral(
            "Attenzione: si sta per criptare il file selezionato.\r\n\r\nIMPORTANTE: non "
            "effettuare l'operazione di criptaggio su un file già criptato. Accertarsi che il "
            "file non sia già criptato premendo il pulsante Apri.\r\n\r\nSi vuole proprio "
            "criptare il file corrente?"),
        QStringLiteral("Termine creazione file criptato"),
        QStringLiteral("La versione criptata del file è stata creata con successo.\r\n\r\nIl "
                       "file originale sarà ora sostituito dalla versione criptata."),
        QStringLiteral("Operazione criptaggio file terminata"),
        QStringLiteral("Il file originale è stato sostituito dalla versione criptata.\r\n\r\n"
                       "Premere il pulsante Apri per avere conferma che il file non è più "
                       "accessibile."),
        QStringLiteral("Operazione criptaggio file non riuscita"),
        QStringLiteral("Attenzione: il sistema non consente di criptare il file selezionato."
                       "\r\n\r\nAccertarsi che il file da criptare non sia aperto e che non "
                       "abbia attributi di protezione."),
    };
    static const CipherTexts decrypt{
        QStringLiteral("Conferma decriptaggio file"),
        QStringLiteral(
            "Attenzione: si sta per decriptare il file selezionato.\r\n\r\nIMPORTANTE: non "
            "effettuare l'operazione di decriptaggio su un file non criptato. Accertarsi che il "
            "file non sia già decriptato premendo il pulsante Apri.\r\n\r\nSi vuole proprio "
            "decriptare il file corrente?"),
        QStringLiteral("Termine creazione file decriptato"),
        QStringLiteral("Il file selezionato è stato decriptato con successo.\r\n\r\nIl file "
                       "criptato originale sarà ora sostituito dalla versione decriptata."),
        QStringLiteral("Operazione decriptaggio file terminata"),
        QStringLiteral("Il file criptato è stato sostituito dalla versione decriptata.\r\n\r\n"
                       "Premere il pulsante Apri per avere conferma che il file è ora "
                       "accessibile."),
        QStringLiteral("Operazione decriptaggio file non riuscita"),
        QStringLiteral("Attenzione: il sistema non consente di decriptare il file selezionato."
                       "\r\n\r\nAccertarsi che il file da decriptare non sia aperto e che non "
                       "abbia attributi di protezione."),
    };
    return direction == CipherDirection::Encrypt ? encrypt : decrypt;
}

const QString kNotApplicable = QStringLiteral("Operazione non applicabile");

// The card number shown in the navigation bar; anything but a decimal number is an error of
// the command that reads it.
std::uint64_t cardNumber(const QString& text)
{
    bool ok = false;
    const qulonglong number = trimmedText(text).toULongLong(&ok);
    if (!ok) {
        throw ArchiveError("Numero di scheda non valido");
    }
    return number;
}

} // namespace

void TfrmEncrypt_Decrypt::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!becameVisible(event)) {
        return;
    }
    if (!centred_) {
        centred_ = true;
        centreOnScreen(this);
    }
    FormShow();
}

void TfrmEncrypt_Decrypt::FormShow()
{
    // The animated picture replaces the still one the layout holds; the movie keeps its own
    // copy of the data for as long as it plays.
    if (!emailMovie_) {
        emailMovie_ = new QMovie(QStringLiteral(":/RESNAME1"), QByteArray("gif"), this);
        imgEmail->setMovie(emailMovie_);
    }
    emailMovie_->start();

    emptyCard();
    txtFile->setFocus();
}

void TfrmEncrypt_Decrypt::emptyCard()
{
    for (QLineEdit* field : {txtFile, txtDescrizione, txtPassword, txtCheckPW}) {
        field->clear();
    }
    lblPosizione->clear();
}

void TfrmEncrypt_Decrypt::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    emit endProgram();
}

void TfrmEncrypt_Decrypt::cmdEsciClick()
{
    emit endProgram();
}

void TfrmEncrypt_Decrypt::imgEsciClick()
{
    emit endProgram();
}

void TfrmEncrypt_Decrypt::txtDescrizioneEnter()
{
    setBackground(txtDescrizione, kFocusYellow);
}

void TfrmEncrypt_Decrypt::txtDescrizioneExit()
{
    setBackground(txtDescrizione, kWhite);
}

void TfrmEncrypt_Decrypt::txtPasswordEnter()
{
    setBackground(txtPassword, kFocusYellow);
}

void TfrmEncrypt_Decrypt::txtPasswordExit()
{
    setBackground(txtPassword, kWhite);
}

void TfrmEncrypt_Decrypt::txtCheckPWEnter()
{
    setBackground(txtCheckPW, kFocusYellow);
}

void TfrmEncrypt_Decrypt::txtCheckPWExit()
{
    setBackground(txtCheckPW, kWhite);
}

bool TfrmEncrypt_Decrypt::txtDescrizioneKeyPress(QKeyEvent* key)
{
    if (isEnterKey(key)) {
        txtPassword->setFocus();
    }
    return false;
}

bool TfrmEncrypt_Decrypt::txtPasswordKeyPress(QKeyEvent* key)
{
    if (isEnterKey(key)) {
        txtCheckPW->setFocus();
    }
    return false;
}

bool TfrmEncrypt_Decrypt::txtCheckPWKeyPress(QKeyEvent* key)
{
    if (isEnterKey(key)) {
        txtFile->setFocus();
    }
    return false;
}

bool TfrmEncrypt_Decrypt::txtFileKeyPress(QKeyEvent* key)
{
    // Keys that type a character (Enter, Backspace and Escape among them) but not those that
    // move the focus or edit without typing.
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return false;
    default:
        break;
    }
    if (key->text().isEmpty()) {
        return false;
    }
    btnSfogliaClick();
    return true;
}

void TfrmEncrypt_Decrypt::btnSfogliaClick()
{
    try {
        if (!context_.ui.runFileDialog(dlgFoto)) {
            return;
        }
        BusyPointer busy(context_.ui);
        txtFile->setText(dlgFoto.fileName);
    } catch (const std::exception& failure) {
        logFailure("Sfoglia", failure);
        txtFile->clear();
    }
}

void TfrmEncrypt_Decrypt::btnApriClick()
{
    const QString path = trimmedText(txtFile->text());
    if (path.isEmpty()) {
        context_.ui.warning(kNotApplicable,
                            QStringLiteral("Attenzione: non è stato selezionato alcun file.\r\n"
                                           "\r\nCaricare il file da criptare o decriptare con il "
                                           "pulsante Sfoglia."));
        return;
    }
    BusyPointer busy(context_.ui);
    context_.ui.shellExecute(platform::openWithDefaultAction(path.toStdString()));
}

void TfrmEncrypt_Decrypt::cmdGuidaClick()
{
    navigator_.showHelp(cardsTopic());
}

void TfrmEncrypt_Decrypt::imgGuidaClick()
{
    navigator_.showHelp(overviewTopic());
}

void TfrmEncrypt_Decrypt::imgEmailClick()
{
    sendMailToMaker(context_.ui);
}

void TfrmEncrypt_Decrypt::imgInfoClick()
{
    navigator_.showAbout();
}

void TfrmEncrypt_Decrypt::imgCopyrightClick()
{
    navigator_.showSplash();
}

void TfrmEncrypt_Decrypt::cmdCercaClick()
{
    navigator_.showSearch();
}

void TfrmEncrypt_Decrypt::cmdEsportaClick()
{
    navigator_.showExport();
}

void TfrmEncrypt_Decrypt::cmdNuovoClick()
{
    emptyCard();
    txtFile->setFocus();
}

void TfrmEncrypt_Decrypt::imgBackupClick()
{
    // A restore may replace every card, so none stays on screen, even when the user cancels.
    emptyCard();
    navigator_.showBackup();
}

template <typename Work> void TfrmEncrypt_Decrypt::archiveCommand(const char* command, Work work)
{
    ArchiveOutcome outcome = ArchiveOutcome::Done;
    try {
        outcome = withArchive(context_.programFolder, work);
    } catch (const std::exception& failure) {
        logFailure(command, failure);
        context_.ui.plainMessage(kArchiveAccessMessage);
        return;
    }
    tellOutcome(outcome);
}

void TfrmEncrypt_Decrypt::tellOutcome(ArchiveOutcome outcome)
{
    switch (outcome) {
    case ArchiveOutcome::Done:
        break;
    case ArchiveOutcome::EmptyArchive:
        context_.ui.information(QStringLiteral("Visualizzazione dati non applicabile"),
                                QStringLiteral("L'archivio non contiene nessuna scheda."));
        break;
    case ArchiveOutcome::CardUpdated:
        context_.ui.information(
            QStringLiteral("Aggiornamento scheda effettuato con successo"),
            QStringLiteral("Le modifiche apportate alla scheda corrente sono state salvate "
                           "in archivio."));
        break;
    case ArchiveOutcome::CardAdded:
        context_.ui.information(QStringLiteral("Salvataggio scheda effettuato con successo"),
                                QStringLiteral("La scheda corrente è stata inserita in "
                                               "archivio."));
        break;
    }
}

void TfrmEncrypt_Decrypt::showCard(const FileCard& card, std::uint64_t number)
{
    txtFile->setText(trimmedText(fromAnsi(card.FilePath)));
    txtDescrizione->setText(trimmedText(fromAnsi(card.Description)));
    txtPassword->setText(trimmedText(fromAnsi(card.FilePassword)));
    txtCheckPW->setText(trimmedText(fromAnsi(card.Confirmation)));
    lblPosizione->setText(QString::number(number));
}

void TfrmEncrypt_Decrypt::cmdSalvaClick()
{
    if (!cardFieldsPass(CardUse::Save)) {
        return;
    }
    // The edit fields hold only what the code page can represent; a chosen path may not, and
    // the archive would keep a different path from the one on screen.
    const auto path = toAnsi(txtFile->text());
    const auto description = toAnsi(txtDescrizione->text());
    const auto password = toAnsi(txtPassword->text());
    const auto confirmation = toAnsi(txtCheckPW->text());
    if (!path || !description || !password || !confirmation) {
        context_.ui.warning(
            QStringLiteral("Salvataggio non applicabile"),
            QStringLiteral("Attenzione: il percorso del file contiene caratteri che l'archivio "
                           "non può registrare.\r\n\r\nRinominare il file, o la cartella che lo "
                           "contiene, con caratteri dell'alfabeto latino e selezionarlo di nuovo "
                           "con il pulsante Sfoglia."));
        btnSfoglia->setFocus();
        return;
    }
    const FileCard card{*path, *description, *password, *confirmation};

    archiveCommand("Salva", [&](CardArchive& archive) {
        const QString shown = trimmedText(lblPosizione->text());
        // A number behind the end means another program shortened the archive meanwhile: the
        // card is added as a new one rather than written behind the end.
        const std::uint64_t number = shown.isEmpty() ? 0 : cardNumber(shown);
        if (!shown.isEmpty() && number == 0) {
            throw ArchiveError("Numero di scheda non valido");
        }
        if (number != 0 && number <= archive.Count()) {
            archive.Seek(number - 1);
            archive.Write(card);
            lblPosizione->setText(QString::number(archive.Position()));
            return ArchiveOutcome::CardUpdated;
        }
        lblPosizione->setText(QString::number(archive.Append(card)));
        return ArchiveOutcome::CardAdded;
    });
}

void TfrmEncrypt_Decrypt::imgPrimoClick()
{
    archiveCommand("Primo", [&](CardArchive& archive) {
        if (archive.Count() == 0) {
            return ArchiveOutcome::EmptyArchive;
        }
        archive.Seek(0);
        showCard(archive.Read(), 1);
        return ArchiveOutcome::Done;
    });
}

void TfrmEncrypt_Decrypt::imgUltimoClick()
{
    archiveCommand("Ultimo", [&](CardArchive& archive) {
        const std::uint64_t count = archive.Count();
        if (count == 0) {
            return ArchiveOutcome::EmptyArchive;
        }
        archive.Seek(count - 1);
        const FileCard card = archive.Read();
        showCard(card, archive.Position());
        return ArchiveOutcome::Done;
    });
}

void TfrmEncrypt_Decrypt::imgIndietroClick()
{
    archiveCommand("Indietro", [&](CardArchive& archive) {
        const QString shown = trimmedText(lblPosizione->text());
        if (shown == QStringLiteral("1")) {
            return ArchiveOutcome::Done;
        }
        if (archive.Count() == 0) {
            return ArchiveOutcome::EmptyArchive;
        }
        std::uint64_t previous = 1; // with no number, the first card
        if (!shown.isEmpty()) {
            const std::uint64_t number = cardNumber(shown);
            if (number < 2) {
                throw ArchiveError("Numero di scheda non valido");
            }
            previous = number - 1;
        }
        archive.Seek(previous - 1);
        const FileCard card = archive.Read();
        showCard(card, archive.Position());
        return ArchiveOutcome::Done;
    });
}

void TfrmEncrypt_Decrypt::imgAvantiClick()
{
    archiveCommand("Avanti", [&](CardArchive& archive) {
        if (trimmedText(lblPosizione->text()).isEmpty()) {
            lblPosizione->setText(QStringLiteral("0"));
        }
        const std::uint64_t count = archive.Count();
        if (count == 0) {
            lblPosizione->clear();
            return ArchiveOutcome::EmptyArchive;
        }
        const std::uint64_t number = cardNumber(lblPosizione->text());
        if (number < count) {
            archive.Seek(number);
            const FileCard card = archive.Read();
            showCard(card, archive.Position());
        }
        return ArchiveOutcome::Done;
    });
}

void TfrmEncrypt_Decrypt::btnEncryptClick()
{
    runCipherCommand(CipherDirection::Encrypt);
}

void TfrmEncrypt_Decrypt::btnDencryptClick()
{
    runCipherCommand(CipherDirection::Decrypt);
}

bool TfrmEncrypt_Decrypt::cardFieldsPass(CardUse use)
{
    const bool decrypting = use == CardUse::Decrypt;
    const QString title =
        use == CardUse::Save ? QStringLiteral("Salvataggio non applicabile") : kNotApplicable;
    auto isEmpty = [](const QString& text) {
        return trimmedText(text).isEmpty();
    };

    struct Check
    {
        bool fails;
        QString text;
        QWidget* focus;
    };
    const Check checks[] = {
        {use == CardUse::Encrypt && isEmpty(lblPosizione->text()),
         QStringLiteral("Attenzione: per criptare il file occorre prima salvare la scheda in "
                        "archivio.\r\n\r\nCompilare quindi tutte le caselle di testo e fare clic "
                        "su Salva."),
         nullptr},
        {isEmpty(txtFile->text()),
         decrypting ? QStringLiteral("Attenzione: non è stato selezionato alcun file.\r\n\r\n"
                                     "Caricare il file da decriptare con il pulsante Sfoglia.")
                    : QStringLiteral("Attenzione: non è stato selezionato alcun file.\r\n\r\n"
                                     "Caricare il file da criptare con il pulsante Sfoglia."),
         btnSfoglia},
        {!decrypting && isEmpty(txtDescrizione->text()),
         QStringLiteral("Attenzione: inserire una descrizione del file da criptare.\r\n\r\nCiò "
                        "consentirà di rintracciare la scheda del file all'interno "
                        "dell'archivio."),
         txtDescrizione},
        {isEmpty(txtPassword->text()),
         decrypting ? QStringLiteral("Attenzione: indicare la password da abbinare al file da "
                                     "decriptare.\r\n\r\nTale password serve a decodificare "
                                     "l'algoritmo di criptografia.")
                    : QStringLiteral("Attenzione: indicare la password da abbinare al file da "
                                     "criptare.\r\n\r\nTale password serve a rendere "
                                     "indecifrabile l'algoritmo di criptografia."),
         txtPassword},
        {isEmpty(txtCheckPW->text()),
         decrypting ? QStringLiteral("Attenzione: confermare la password di decriptaggio "
                                     "immettendo lo stesso valore nella casella Conferma "
                                     "password.\r\n\r\nCiò serve a prevenire eventuali errori "
                                     "di digitazione dei dati.")
                    : QStringLiteral("Attenzione: confermare la password di criptaggio "
                                     "immettendo lo stesso valore nella casella Conferma "
                                     "password.\r\n\r\nCiò serve a prevenire eventuali errori "
                                     "di digitazione dei dati."),
         txtCheckPW},
    };
    for (const Check& check : checks) {
        if (check.fails) {
            context_.ui.warning(title, check.text);
            if (check.focus) {
                check.focus->setFocus();
            }
            return false;
        }
    }
    if (trimmedText(txtPassword->text()) != trimmedText(txtCheckPW->text())) {
        context_.ui.warning(
            title,
            QStringLiteral("Attenzione: la password indicata non corrisponde a quella presente "
                           "nella casella Conferma password.\r\n\r\nControllare i dati inseriti "
                           "e ripetere l'operazione."));
        txtCheckPW->clear();
        txtCheckPW->setFocus();
        return false;
    }
    return true;
}

void TfrmEncrypt_Decrypt::runCipherCommand(CipherDirection direction)
{
    if (!cardFieldsPass(direction == CipherDirection::Encrypt ? CardUse::Encrypt
                                                              : CardUse::Decrypt)) {
        return;
    }

    const CipherTexts& texts = textsFor(direction);
    if (!context_.ui.question(texts.confirmTitle, texts.confirmText)) {
        return;
    }
    try {
        // The fields refuse characters outside the code page, so this holds unless a caller
        // put such text in by other means; then the command fails rather than guess.
        const auto password = toAnsi(txtPassword->text());
        if (!password) {
            throw Error("La password contiene caratteri non ammessi");
        }
        InPlaceCipher job(context_.programFolder, toPath(trimmedText(txtFile->text())), direction);
        {
            BusyPointer busy(context_.ui);
            job.writeProcessedCopy(*password);
        }
        context_.ui.information(texts.createdTitle, texts.createdText);
        {
            BusyPointer busy(context_.ui);
            job.replaceChosenFile();
        }
        context_.ui.information(texts.replacedTitle, texts.replacedText);
    } catch (const std::exception& failure) {
        logFailure(texts.failedTitle.toStdString(), failure);
        context_.ui.warning(texts.failedTitle, texts.failedText);
    }
}

} // namespace velarium
