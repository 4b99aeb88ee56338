#pragma once

#include "app/AppContext.h"
#include "app/Navigator.h"
#include "archive/CardChecks.h"
#include "main/ui_Encrypt_Decrypt.h"
#include "platform/UiServices.h"

#include <QWidget>

class QMovie;

namespace velarium {

enum class CipherDirection;

// The main window: the card on screen (file, description, password and its confirmation, card
// number), the commands around it and the status line. Its controls and where they stand come
// from its form, Encrypt_Decrypt.ui: the card area (panContainer), the navigation bar
// (panRecords), the command column (panControlli), the side column (panInformazioni) and the
// status line (panInfo).
class TfrmEncrypt_Decrypt : public QWidget, public Ui::TfrmEncrypt_Decrypt
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmEncrypt_Decrypt)

public:
    TfrmEncrypt_Decrypt(AppContext context, MainWindowNavigator& navigator,
                        QWidget* parent = nullptr);
    ~TfrmEncrypt_Decrypt() override;

    // Puts a card into the four fields, trimmed, and its number into lblPosizione.
    void showCard(const FileCard& card, std::uint64_t number);
    // A file handed to the program from outside (named at its start, dropped on the window):
    // the latest card that names exactly this path, shown as if picked in the search, or else a
    // new card holding only the path, the focus in its description. A relative path is
    // completed with the current folder; a path that names no file is refused with a warning.
    void openFile(const QString& path);
    // The same for the files a desktop hands over at once: one is opened, several are refused
    // with a warning (one card, one file).
    void openFiles(const QStringList& paths);

    // The open-file dialog, kept for the window's life so that it reopens where it was left.
    FileDialog dlgFoto;

signals:
    // Closing this window or one of its exit commands ends the whole program.
    void endProgram();

public slots:
    void FormShow();
    void cmdEsciClick();
    void imgEsciClick();
    void btnEncryptClick();
    void btnDencryptClick();
    void btnSfogliaClick();
    void btnApriClick();

    void imgEmailClick();
    void imgInfoClick();
    void imgCopyrightClick();
    // Empties the status line and paints the seven command labels black.
    void ResetCommandHighlights();
    void cmdCercaClick();
    void cmdEsportaClick();
    void cmdGuidaClick();
    void imgGuidaClick();
    void cmdNuovoClick();
    void cmdSalvaClick();
    void imgBackupClick();
    void imgPrimoClick();
    void imgIndietroClick();
    void imgAvantiClick();
    void imgUltimoClick();

    void txtDescrizioneEnter();
    void txtDescrizioneExit();
    void txtPasswordEnter();
    void txtPasswordExit();
    void txtCheckPWEnter();
    void txtCheckPWExit();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // One file dropped from a file manager is opened as by openFile; several are refused.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What the form cannot say: the colours, the faces sized in pixels and the frames' way with
    // the mouse.
    void colourControls();
    // What a mouse move over each control shows in the status line, and what a screen reader
    // says of it.
    void buildStatusHints();
    // A command's hint in the status line, its label red and the six others black.
    void highlightCommand(ClickLabel* label, const QString& hint);
    void runCipherCommand(CipherDirection direction);

    // The card on screen as typed, in the archive's code page.
    TypedCard typedCard() const;
    // The checks of the card fields, in order; shows the first failure and moves the focus.
    bool cardFieldsPass(CardUse use);
    // Before encrypting: the password can serve as a card's key, and the card on screen is the
    // card stored under its number. Shows why not.
    bool keyIsTheCards();
    // After the confirmation: a second encryption, or a password other than the file's, is
    // asked about (No the default). Whether the command goes on.
    bool doubtsCleared(CipherDirection direction);
    // What an archive command has to tell the user once the archive is closed again.
    enum class ArchiveOutcome
    {
        Done,
        EmptyArchive,
        CardUpdated,
        CardAdded
    };
    // Runs one archive command with the archive open, then tells its outcome; any error ends it
    // with the archive access message, its cause in the log.
    template <typename Work> void archiveCommand(const char* command, Work work);
    void tellOutcome(ArchiveOutcome outcome);
    // Empties the four fields and the card number: no card on screen.
    void emptyCard();

    // Every key that types a character opens the file dialog instead; true when taken.
    bool txtFileKeyPress(QKeyEvent* key);

    // Enter moves the focus on to the next field; the key itself goes on to the field.
    bool txtDescrizioneKeyPress(QKeyEvent* key);
    bool txtPasswordKeyPress(QKeyEvent* key);
    bool txtCheckPWKeyPress(QKeyEvent* key);

    AppContext context_;
    MainWindowNavigator& navigator_;
    QMovie* emailMovie_ = nullptr;
    bool centred_ = false;
};

} // namespace velarium
