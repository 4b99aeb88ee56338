#pragma once

#include "app/AppContext.h"
#include "app/Navigator.h"

#include <QWidget>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velarium {

// Replaces the access password: the current one, the new one and the new one again. Whenever
// it closes, the login dialog comes back.
class TfrmCambiaPassword : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmCambiaPassword)

public:
    TfrmCambiaPassword(AppContext context, ChangePasswordNavigator& navigator,
                       QWidget* parent = nullptr);
    ~TfrmCambiaPassword() override;

    QGroupBox* grpPassword;
    QLabel *imgLogo01, *Image1;
    QLabel *lblPasswordOld, *lblPasswordNew, *lblConferma, *lblMemory;
    QLineEdit *txtPasswordOld, *txtPasswordNew, *txtConferma;
    QFrame *bevPasswordOld, *bevPasswordNew, *bevConferma, *Bevel1, *bevEsci;
    QPushButton *cmdOK, *cmdEsci;

public slots:
    void cmdOKClick();
    void cmdEsciClick();
    void FormShow();
    // One rule for the three fields: OK only when none of them is blank.
    void txtPasswordOldChange();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    AppContext context_;
    ChangePasswordNavigator& navigator_;
};

} // namespace velarium
