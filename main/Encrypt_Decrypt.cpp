#include "main/Encrypt_Decrypt.h"

#include "app/Controls.h"
#include "app/ErrorDisplay.h"
#include "app/LongWork.h"
#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "archive/CardList.h"
#include "guide/HelpTopics.h"
#include "guide/MakerLinks.h"
#include "main/CipherChecks.h"
#include "main/InPlaceCipher.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/QtText.h"
#include "platform/UiServices.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMovie>
#include <QPushButton>
#include <QUrl>

namespace velarium {
namespace {

// The texts of one cipher command; the two commands differ only in these and in their checks.
struct CipherTexts
{
    QString confirmTitle, confirmText;
    QString createdTitle, createdText;
    QString replacedTitle, replacedText;
    QString failedTitle, failedText;
    // Not the historical texts: the progress dialog and its Annulla are this version's own.
    QString working;
    QString cancelledTitle, cancelledText;
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
        QStringLiteral("Criptaggio del file in corso"),
        QStringLiteral("Operazione criptaggio file annullata"),
        QStringLiteral("L'operazione di criptaggio è stata annullata: il file selezionato è "
                       "rimasto com'era.\r\n\r\nLa versione criptata incompleta è stata "
                       "eliminata."),
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
        QStringLiteral("Decriptaggio del file in corso"),
        QStringLiteral("Operazione decriptaggio file annullata"),
        QStringLiteral("L'operazione di decriptaggio è stata annullata: il file selezionato è "
                       "rimasto com'era.\r\n\r\nLa versione decriptata incompleta è stata "
                       "eliminata."),
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

// Card `number` when the archive has it.
std::optional<FileCard> cardNumbered(CardArchive& archive, std::uint64_t number)
{
    if (number == 0 || number > archive.Count()) {
        return std::nullopt;
    }
    archive.Seek(number - 1);
    return archive.Read();
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
    if (trimmedText(txtFile->text()).isEmpty()) {
        context_.ui.warning(kNotApplicable,
                            QStringLiteral("Attenzione: non è stato selezionato alcun file.\r\n"
                                           "\r\nCaricare il file da criptare o decriptare con il "
                                           "pulsante Sfoglia."));
        return;
    }
    BusyPointer busy(context_.ui);
    // The file exactly as shown, blanks at its ends included.
    context_.ui.shellExecute(platform::openWithDefaultAction(txtFile->text().toStdString()));
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

void TfrmEncrypt_Decrypt::openFile(const QString& given)
{
    // A drop gives "C:/..." on Windows, where the file dialog and the cards spell "C:\...".
    std::filesystem::path path = wholePath(toPath(given));
    path.make_preferred();
    const QString shown = fromPath(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        context_.ui.warning(kNotApplicable,
                            QStringLiteral("Attenzione: il file indicato non esiste o non è un "
                                           "file:\r\n\r\n%1\r\n\r\nSelezionare il file da "
                                           "criptare o decriptare con il pulsante Sfoglia.")
                                .arg(shown));
        return;
    }
    // A path outside the archive's code page can be on no card: Salva says so in its turn.
    std::optional<std::pair<FileCard, std::uint64_t>> latest;
    if (const auto cardPath = toAnsi(shown)) {
        try {
            latest =
                withArchive(context_.programFolder, ArchiveUse::Reading, [&](CardArchive& archive) {
                    auto cards = cardsForFile(archive, *cardPath);
                    return cards.empty() ? std::nullopt : std::optional(std::move(cards.back()));
                });
        } catch (const std::exception& failure) {
            logFailure("Apertura file", failure);
            context_.ui.plainMessage(kArchiveAccessMessage);
        }
    }
    if (latest) {
        showCard(latest->first, latest->second);
        return;
    }
    emptyCard();
    txtFile->setText(shown);
    txtDescrizione->setFocus();
}

namespace {

// The local files a drag brings; none for anything else (text, a web address).
QStringList droppedFiles(const QMimeData* data)
{
    QStringList files;
    if (data == nullptr || !data->hasUrls()) {
        return files;
    }
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) {
            return {};
        }
        files << url.toLocalFile();
    }
    return files;
}

} // namespace

void TfrmEncrypt_Decrypt::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void TfrmEncrypt_Decrypt::dropEvent(QDropEvent* event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    openFiles(files);
}

void TfrmEncrypt_Decrypt::openFiles(const QStringList& paths)
{
    if (paths.size() > 1) {
        context_.ui.warning(kNotApplicable,
                            QStringLiteral("Attenzione: trascinare un solo file alla volta."
                                           "\r\n\r\nOgni scheda si riferisce a un solo file."));
        return;
    }
    if (!paths.isEmpty()) {
        openFile(paths.front());
    }
}

void TfrmEncrypt_Decrypt::cmdSalvaClick()
{
    if (!cardFieldsPass(CardUse::Store)) {
        return;
    }
    const FileCard card = storedCard(typedCard());

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

TypedCard TfrmEncrypt_Decrypt::typedCard() const
{
    return {toAnsi(txtFile->text()), toAnsi(txtDescrizione->text()), toAnsi(txtPassword->text()),
            toAnsi(txtCheckPW->text())};
}

bool TfrmEncrypt_Decrypt::cardFieldsPass(CardUse use)
{
    const bool decrypting = use == CardUse::Decrypt;
    const QString title =
        use == CardUse::Store ? QStringLiteral("Salvataggio non applicabile") : kNotApplicable;
    if (use == CardUse::Encrypt && trimmedText(lblPosizione->text()).isEmpty()) {
        context_.ui.warning(
            title,
            QStringLiteral("Attenzione: per criptare il file occorre prima salvare la scheda in "
                           "archivio.\r\n\r\nCompilare quindi tutte le caselle di testo e fare "
                           "clic su Salva."));
        return false;
    }

    const CardProblem problem = checkCard(typedCard(), use);
    QString text;
    QWidget* focus = nullptr;
    switch (problem) {
    case CardProblem::None:
        return true;
    case CardProblem::NoFile:
        text = decrypting ? QStringLiteral("Attenzione: non è stato selezionato alcun file.\r\n"
                                           "\r\nCaricare il file da decriptare con il pulsante "
                                           "Sfoglia.")
                          : QStringLiteral("Attenzione: non è stato selezionato alcun file.\r\n"
                                           "\r\nCaricare il file da criptare con il pulsante "
                                           "Sfoglia.");
        focus = btnSfoglia;
        break;
    case CardProblem::FileNotInCodePage:
        text = QStringLiteral("Attenzione: il percorso del file contiene caratteri che l'archivio "
                              "non può registrare.\r\n\r\nRinominare il file, o la cartella che lo "
                              "contiene, con caratteri dell'alfabeto latino e selezionarlo di "
                              "nuovo con il pulsante Sfoglia.");
        focus = btnSfoglia;
        break;
    case CardProblem::FileNotExact:
        text = QStringLiteral("Attenzione: il percorso del file inizia o termina con uno spazio o "
                              "con un carattere di controllo, che l'archivio non può registrare."
                              "\r\n\r\nRinominare il file togliendo gli spazi iniziali e finali e "
                              "selezionarlo di nuovo con il pulsante Sfoglia.");
        focus = btnSfoglia;
        break;
    case CardProblem::FileTooLong:
        text = QStringLiteral("Attenzione: il percorso del file supera i 250 caratteri che "
                              "l'archivio può registrare.\r\n\r\nSpostare il file in una cartella "
                              "dal percorso più breve, o abbreviarne il nome, e selezionarlo di "
                              "nuovo con il pulsante Sfoglia.");
        focus = btnSfoglia;
        break;
    case CardProblem::NoDescription:
        text = QStringLiteral("Attenzione: inserire una descrizione del file da criptare.\r\n\r\n"
                              "Ciò consentirà di rintracciare la scheda del file all'interno "
                              "dell'archivio.");
        focus = txtDescrizione;
        break;
    case CardProblem::DescriptionNotInCodePage:
        text = QStringLiteral("Attenzione: la descrizione contiene caratteri che l'archivio non "
                              "può registrare.\r\n\r\nUsare soltanto caratteri dell'alfabeto "
                              "latino.");
        focus = txtDescrizione;
        break;
    case CardProblem::DescriptionTooLong:
        text = QStringLiteral("Attenzione: la descrizione supera i 250 caratteri che l'archivio "
                              "può registrare.\r\n\r\nAbbreviare la descrizione e ripetere "
                              "l'operazione.");
        focus = txtDescrizione;
        break;
    case CardProblem::NoPassword:
        text = decrypting ? QStringLiteral("Attenzione: indicare la password da abbinare al file "
                                           "da decriptare.\r\n\r\nTale password serve a "
                                           "decodificare l'algoritmo di criptografia.")
                          : QStringLiteral("Attenzione: indicare la password da abbinare al file "
                                           "da criptare.\r\n\r\nTale password serve a rendere "
                                           "indecifrabile l'algoritmo di criptografia.");
        focus = txtPassword;
        break;
    case CardProblem::NoConfirmation:
        text = decrypting ? QStringLiteral("Attenzione: confermare la password di decriptaggio "
                                           "immettendo lo stesso valore nella casella Conferma "
                                           "password.\r\n\r\nCiò serve a prevenire eventuali "
                                           "errori di digitazione dei dati.")
                          : QStringLiteral("Attenzione: confermare la password di criptaggio "
                                           "immettendo lo stesso valore nella casella Conferma "
                                           "password.\r\n\r\nCiò serve a prevenire eventuali "
                                           "errori di digitazione dei dati.");
        focus = txtCheckPW;
        break;
    case CardProblem::PasswordsDiffer:
        context_.ui.warning(
            title,
            QStringLiteral("Attenzione: la password indicata non corrisponde a quella presente "
                           "nella casella Conferma password.\r\n\r\nControllare i dati inseriti "
                           "e ripetere l'operazione."));
        txtCheckPW->clear();
        txtCheckPW->setFocus();
        return false;
    case CardProblem::PasswordNotInCodePage:
        text = QStringLiteral("Attenzione: la password contiene caratteri che l'archivio non può "
                              "registrare.\r\n\r\nUsare soltanto caratteri dell'alfabeto latino.");
        focus = txtPassword;
        break;
    case CardProblem::PasswordTooLong:
        text = QStringLiteral("Attenzione: la password supera i 250 caratteri che l'archivio può "
                              "registrare.\r\n\r\nScegliere una password più breve e ripetere "
                              "l'operazione.");
        focus = txtPassword;
        break;
    }
    context_.ui.warning(title, text);
    if (focus) {
        focus->setFocus();
    }
    return false;
}

bool TfrmEncrypt_Decrypt::keyIsTheCards()
{
    const TypedCard typed = typedCard();
    switch (checkEncryptionKey(typed.password.value_or(std::string()))) {
    case KeyProblem::None:
        break;
    case KeyProblem::Padded:
        context_.ui.warning(
            kNotApplicable,
            QStringLiteral("Attenzione: la password inizia o termina con uno spazio o con un "
                           "carattere di controllo, che la scheda non può conservare.\r\n\r\n"
                           "Togliere gli spazi iniziali e finali dalla password e dalla "
                           "conferma, salvare la scheda e ripetere l'operazione."));
        txtPassword->setFocus();
        return false;
    case KeyProblem::TooLong:
        context_.ui.warning(
            kNotApplicable,
            QStringLiteral("Attenzione: la password supera i 250 caratteri che la scheda può "
                           "conservare.\r\n\r\nScegliere una password più breve, salvare la "
                           "scheda e ripetere l'operazione."));
        txtPassword->setFocus();
        return false;
    }

    // A key that no card holds could never be found again: the file and the password on screen
    // must be those of the card saved under this number, exactly as the cipher will use them.
    const QString shown = trimmedText(lblPosizione->text());
    std::optional<FileCard> stored;
    try {
        stored =
            withArchive(context_.programFolder, ArchiveUse::Reading, [&](CardArchive& archive) {
                return cardNumbered(archive, cardNumber(shown));
            });
    } catch (const std::exception& failure) {
        logFailure(textsFor(CipherDirection::Encrypt).failedTitle.toStdString(), failure);
        context_.ui.plainMessage(kArchiveAccessMessage);
        return false;
    }
    if (stored && typed.file == stored->FilePath && typed.password == stored->FilePassword) {
        return true;
    }
    context_.ui.warning(
        kNotApplicable,
        QStringLiteral("Attenzione: il file o la password della scheda visualizzata non "
                       "corrispondono a quelli della scheda n. %1 salvata in archivio.\r\n\r\n"
                       "Salvare prima la scheda con il pulsante Salva, quindi ripetere "
                       "l'operazione.")
            .arg(shown));
    return false;
}

bool TfrmEncrypt_Decrypt::doubtsCleared(CipherDirection direction)
{
    const auto password = toAnsi(txtPassword->text());
    if (!password) {
        // The command's own guard refuses it.
        return true;
    }
    const CipherCheck check =
        checkBeforeCipher(direction, context_.programFolder, toPath(txtFile->text()),
                          toAnsi(txtFile->text()).value_or(std::string()), *password);
    QString title = QStringLiteral("Controllo decriptaggio file");
    QString text;
    switch (check.doubt) {
    case CipherDoubt::None:
        return true;
    case CipherDoubt::AlreadyEncrypted:
        title = QStringLiteral("Controllo criptaggio file");
        text = QStringLiteral("Attenzione: il file selezionato sembra già criptato con questa "
                              "password. Decriptato con essa, il suo contenuto risulta "
                              "leggibile: %1.\r\n\r\nUn nuovo criptaggio con la stessa password "
                              "lo riporterebbe in chiaro.\r\n\r\nSi vuole comunque criptare il "
                              "file corrente?")
                   .arg(QString::fromLatin1(recognisedTypeText(check)));
        break;
    case CipherDoubt::NotTheCardsPassword:
        text = QStringLiteral("Attenzione: la password indicata non è quella registrata per "
                              "questo file %1.\r\n\r\nDecriptato con un'altra password, il file "
                              "diventerebbe illeggibile. Caricare la scheda con il comando Cerca "
                              "per usare la password registrata.\r\n\r\nSi vuole comunque "
                              "decriptare il file corrente?")
                   .arg(QString::fromLatin1(cardNumbersText(check)));
        break;
    case CipherDoubt::WrongPassword:
        text = QStringLiteral("Attenzione: la password indicata sembra errata: decriptato con "
                              "essa, il file selezionato resterebbe illeggibile.\r\n\r\n"
                              "Controllare la password, o caricare la scheda del file con il "
                              "comando Cerca.\r\n\r\nSi vuole comunque decriptare il file "
                              "corrente?");
        break;
    }
    return context_.ui.riskyQuestion(title, text);
}

void TfrmEncrypt_Decrypt::runCipherCommand(CipherDirection direction)
{
    const bool encrypting = direction == CipherDirection::Encrypt;
    if (!cardFieldsPass(encrypting ? CardUse::Encrypt : CardUse::Decrypt)) {
        return;
    }
    if (encrypting && !keyIsTheCards()) {
        return;
    }

    const CipherTexts& texts = textsFor(direction);
    if (!context_.ui.question(texts.confirmTitle, texts.confirmText)) {
        return;
    }
    if (!doubtsCleared(direction)) {
        return;
    }
    try {
        // The fields refuse characters outside the code page, so this holds unless a caller
        // put such text in by other means; then the command fails rather than guess.
        const auto password = toAnsi(txtPassword->text());
        if (!password) {
            throw Error("La password contiene caratteri non ammessi");
        }
        // The file exactly as shown: a trimmed path could name a neighbour.
        const std::filesystem::path file = toPath(txtFile->text());
        const QString name = fromPath(file.filename());
        InPlaceCipher job(context_.programFolder, file, direction);
        {
            BusyPointer busy(context_.ui);
            runLongWork(this, texts.working, name, [&](platform::Progress& progress) {
                job.writeProcessedCopy(*password, platform::KeySize::Bits128, &progress);
            });
        }
        context_.ui.information(texts.createdTitle, texts.createdText);
        {
            BusyPointer busy(context_.ui);
            // Only when the program folder is on another file system does this take long: the
            // copy goes beside the file first.
            runLongWork(this, QStringLiteral("Sostituzione del file originale"), name,
                        [&](platform::Progress& progress) { job.replaceChosenFile(&progress); });
        }
        context_.ui.information(texts.replacedTitle, texts.replacedText);
    } catch (const platform::Cancelled&) {
        context_.ui.information(texts.cancelledTitle, texts.cancelledText);
    } catch (const std::exception& failure) {
        logFailure(texts.failedTitle.toStdString(), failure);
        context_.ui.warning(texts.failedTitle, texts.failedText);
    }
}

} // namespace velarium
