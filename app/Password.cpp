#include "app/Password.h"

#include "app/Controls.h"
#include "app/Crypt.h"
#include "platform/Log.h"
#include "platform/QtText.h"
#include "platform/UiServices.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace velarium {

TfrmPassword::TfrmPassword(AppContext context, LoginNavigator& navigator, QWidget* parent)
    : QWidget(parent, kDialogWindowFlags), context_(context), navigator_(navigator)
{
    setObjectName(QStringLiteral("frmPassword"));
    keepLightScheme(this);
    setWindowTitle(QStringLiteral(" Velarium 2.0 - Autenticazione"));
    setFixedSize(330, 372);
    setBackground(this, kSilver);
    setFont(QFont(kTahoma, 8));
    centreOnScreen(this);

    grpPassword = named(new QGroupBox(this), "grpPassword");
    grpPassword->setGeometry(10, 4, 310, 300);
    imgLogo01 =
        makePicture(grpPassword, "imgLogo01", QStringLiteral(":/images/pwdLogo01.jpg"), {10, 16});
    imgLogo02 =
        makePicture(grpPassword, "imgLogo02", QStringLiteral(":/images/pwdLogo02.png"), {10, 92});
    lblInfo = named(new QLabel(QStringLiteral("Immettere la password e premere OK."), grpPassword),
                    "lblInfo");
    lblInfo->setFont(QFont(kVerdana, 9));
    lblInfo->setGeometry(10, 130, 290, 20);
    lblInfo->setAlignment(Qt::AlignCenter);
    bevPassword = makeBevel(grpPassword, "bevPassword", QRect(20, 156, 270, 46));
    txtPassword = named(new QLineEdit(grpPassword), "txtPassword");
    nameForScreenReaders(txtPassword, QStringLiteral("Password d'accesso"), lblInfo->text());
    txtPassword->setGeometry(28, 164, 254, 30);
    txtPassword->setMaxLength(230);
    makePasswordField(txtPassword, 19);
    bevOK = makeBevel(grpPassword, "bevOK", QRect(96, 222, 118, 50));
    cmdOK = makeButton(grpPassword, "cmdOK", "OK", QRect(104, 230, 102, 34));
    cmdOK->setEnabled(false);

    bevCambiaPassword = makeBevel(this, "bevCambiaPassword", QRect(10, 312, 150, 50));
    btnCambiaPassword =
        makeButton(this, "btnCambiaPassword", "Cambia password", QRect(18, 320, 134, 34));
    bevEsci = makeBevel(this, "bevEsci", QRect(170, 312, 150, 50));
    cmdEsci = makeButton(this, "cmdEsci", "Esci", QRect(178, 320, 134, 34));

    lblMemory = named(new QLabel(this), "lblMemory");
    lblMemory->hide();

    setTabOrder(txtPassword, cmdOK);
    setTabOrder(cmdOK, btnCambiaPassword);
    setTabOrder(btnCambiaPassword, cmdEsci);

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
