#pragma once

#include "app/AppContext.h"
#include "app/Navigator.h"
#include "app/ui_Password.h"

#include <QWidget>

namespace velarium {

// The login dialog: the first window, asking for the access password before anything else. Its
// controls and where they stand come from its form, Password.ui.
class TfrmPassword : public QWidget, public Ui::TfrmPassword
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmPassword)

public:
    TfrmPassword(AppContext context, LoginNavigator& navigator, QWidget* parent = nullptr);
    ~TfrmPassword() override;

    // Back from the change-password dialog: emptied, shown and focused.
    void returnToLogin();

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
