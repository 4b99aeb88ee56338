#pragma once

#include "app/AppContext.h"
#include "archive/ui_BakContatti.h"
#include "platform/UiServices.h"

#include <QDialog>

namespace velarium {

// Copies the archive to a backup file of the user's choosing, and a backup back over the
// archive. Created once at start, shown modally from the main window. Its controls, under their
// own names, come from BakContatti.ui: the backup half above the line, the restore half below,
// and buttons that Tab never reaches.
class TfrmBakContatti : public QDialog, public Ui::TfrmBakContatti
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmBakContatti)

public:
    explicit TfrmBakContatti(AppContext context, QWidget* parent = nullptr);
    ~TfrmBakContatti() override;

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
