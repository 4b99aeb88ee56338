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

// The login dialog: the first window, asking for the access password before anything else.
class TfrmPassword : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmPassword)

public:
    TfrmPassword(AppContext context, LoginNavigator& navigator, QWidget* parent = nullptr);
    ~TfrmPassword() override;

    // Back from the change-password dialog: emptied, shown and focused.
    void returnToLogin();

    QGroupBox* grpPassword;
    QLabel *imgLogo01, *imgLogo02, *lblInfo, *lblMemory;
    QLineEdit* txtPassword;
    QPushButton *cmdOK, *btnCambiaPassword, *cmdEsci;
    QFrame *bevPassword, *bevOK, *bevCambiaPassword, *bevEsci;

signals:
    // Closing this dialog, or its exit command, ends the whole program.
    void endProgram();

public slots:
    void cmdOKClick();
    void btnCambiaPasswordClick();
    void cmdEsciClick();
    void txtPasswordChange();
    void txtPasswordEnter();
    void txtPasswordExit();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool txtPasswordKeyPress(QKeyEvent* key);

    AppContext context_;
    LoginNavigator& navigator_;
};

} // namespace velarium
