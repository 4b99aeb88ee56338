#pragma once

#include "app/AppContext.h"
#include "app/Navigator.h"
#include "app/ui_CambiaPassword.h"

#include <QWidget>

namespace velarium {

// Replaces the access password: the current one, the new one and the new one again. Whenever
// it closes, the login dialog comes back. Its controls and where they stand come from its form,
// CambiaPassword.ui.
class TfrmCambiaPassword : public QWidget, public Ui::TfrmCambiaPassword
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmCambiaPassword)

public:
    TfrmCambiaPassword(AppContext context, ChangePasswordNavigator& navigator,
                       QWidget* parent = nullptr);
    ~TfrmCambiaPassword() override;

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
