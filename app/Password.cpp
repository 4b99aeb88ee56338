#include "app/Password.h"

#include "app/Controls.h"
#include "app/Crypt.h"
#include "platform/Log.h"
#include "platform/QtText.h"
#include "platform/UiServices.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace velarium {

TfrmPassword::TfrmPassword(AppContext context, LoginNavigator& navigator, QWidget* parent)
    : QWidget(parent, kDialogWindowFlags), context_(context), navigator_(navigator)
{
    keepLightScheme(this);
    setupUi(this);
    setBackground(this, kSilver);
    centreOnScreen(this);
    for (QFrame* bevel : {bevPassword, bevOK, bevCambiaPassword, bevEsci}) {
        letClicksThrough(bevel);
    }
    nameForScreenReaders(txtPassword, QStringLiteral("Password d'accesso"), lblInfo->text());
    preparePasswordField(txtPassword, 19);
    lblMemory->hide();

    watchField(txtPassword, {[this] { txtPasswordEnter(); }, [this] { txtPasswordExit(); },
                             [this](QKeyEvent* key) {
                                 return txtPasswordKeyPress(key);
                             }});
    connect(txtPassword, &QLineEdit::textChanged, this, &TfrmPassword::txtPasswordChange);
    connect(cmdOK, &QPushButton::clicked, this, &TfrmPassword::cmdOKClick);
    connect(btnCambiaPassword, &QPushButton::clicked, this, &TfrmPassword::btnCambiaPasswordClick);
    connect(cmdEsci, &QPushButton::clicked, this, &TfrmPassword::cmdEsciClick);
}

TfrmPassword::~TfrmPassword() = default;

void TfrmPassword::txtPasswordChange()
{
    cmdOK->setEnabled(!trimmedText(txtPassword->text()).isEmpty());
}

void TfrmPassword::txtPasswordEnter()
{
    setBackground(txtPassword, kFocusYellow);
}

void TfrmPassword::txtPasswordExit()
{
    setBackground(txtPassword, kWhite);
}

bool TfrmPassword::txtPasswordKeyPress(QKeyEvent* key)
{
    if (isEnterKey(key) && !trimmedText(txtPassword->text()).isEmpty()) {
        cmdOKClick();
    }
    return false;
}

void TfrmPassword::cmdOKClick()
{
    try {
        const std::string value = readAccessValue(context_.programFolder);
        lblMemory->setText(fromAnsi(storedPassword(value)));
        const auto typed = toAnsi(txtPassword->text());
        if (!typed || !AccessCheck(value, *typed)) {
            context_.ui.plainMessage(QStringLiteral("Attenzione: password errata."));
            txtPassword->clear();
            txtPassword->setFocus();
            return;
        }
        navigator_.showMainWindow();
        hide();
    } catch (const std::exception& failure) {
        logFailure("Accesso", failure);
        context_.ui.plainMessage(
            QStringLiteral("Attenzione: si è verificato un errore durante la procedura di "
                           "lettura della password. Si consiglia di reinstallare il software."));
    }
}

void TfrmPassword::btnCambiaPasswordClick()
{
    navigator_.showChangePassword();
    hide();
}

void TfrmPassword::cmdEsciClick()
{
    close();
    emit endProgram();
}

void TfrmPassword::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    emit endProgram();
}

void TfrmPassword::returnToLogin()
{
    txtPassword->clear();
    lblMemory->clear();
    showInFront(this);
    txtPassword->setFocus();
}

} // namespace velarium
