#pragma once

#include "app/AppContext.h"
#include "platform/UiServices.h"

#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

namespace velarium {

// Copies the archive to a backup file of the user's choosing, and a backup back over the
// archive. Created once at start, shown modally from the main window.
class TfrmBakContatti : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmBakContatti)

public:
    explicit TfrmBakContatti(AppContext context, QWidget* parent = nullptr);
    ~TfrmBakContatti() override;

    QGroupBox* grpControlli;

    // Backup half.
    QFrame* shpBackup;
    QLabel* imgBackup;
    QLabel *lblInfo, *Label1, *Label2, *Label3;
    QPushButton* cmdBackup;

    QFrame* Bevel1;

    // Restore half.
    QFrame* Shape1;
    QLabel* imgRestore;
    QLabel *Label4, *Label5, *Label6, *Label7;
    QPushButton* cmdRipristina;

    QPushButton* cmdAnnulla;

    // Kept for the window's life, so that each reopens where the user left it.
    FileDialog dlgBackup;
    FileDialog dlgRipristina;

public slots:
    void cmdBackupClick();
    void cmdRipristinaClick();
    void cmdAnnullaClick();

private:
    AppContext context_;
};

} // namespace velarium
