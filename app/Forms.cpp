#include "app/Forms.h"

#include "app/CambiaPassword.h"
#include "app/Controls.h"
#include "app/Password.h"
#include "archive/BakContatti.h"
#include "archive/CercaAcq.h"
#include "archive/EsportaMat.h"
#include "guide/HelpForm.h"
#include "guide/Info.h"
#include "guide/Splash.h"
#include "main/Encrypt_Decrypt.h"
#include "platform/UiServices.h"

#include <QCoreApplication>
#include <utility>

namespace velarium {

Forms::Forms(AppContext context) : context_(context), ui_(context.ui)
{
    frmPassword = std::make_unique<TfrmPassword>(context, *this);
    frmEncrypt_Decrypt = std::make_unique<TfrmEncrypt_Decrypt>(context, *this);
    frmHelpForm = std::make_unique<TfrmHelpForm>(context);
    frmInfo = std::make_unique<TfrmInfo>(context);
    frmSplash = std::make_unique<TfrmSplash>(context);
    frmEsportaMat = std::make_unique<TfrmEsportaMat>(context, *this);
    frmBakContatti = std::make_unique<TfrmBakContatti>(context);
    frmCambiaPassword = std::make_unique<TfrmCambiaPassword>(context, *this);

    // Closing the login dialog or the main window, or an exit command, ends the program; no
    // hidden window may keep it running.
    QObject::connect(frmPassword.get(), &TfrmPassword::endProgram, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    QObject::connect(frmEncrypt_Decrypt.get(), &TfrmEncrypt_Decrypt::endProgram,
                     QCoreApplication::instance(), &QCoreApplication::quit);
}

Forms::~Forms() = default;

void Forms::showFirst(const QStringList& filesGiven)
{
    filesGiven_ = filesGiven;
    frmPassword->show();
}

void Forms::showHelp(const HelpTopic& topic)
{
    frmHelpForm->setTopic(topic);
    ui_.runModal(*frmHelpForm);
}

void Forms::showAbout()
{
    ui_.runModal(*frmInfo);
}

void Forms::showSplash()
{
    ui_.runModal(*frmSplash);
}

void Forms::showSearch()
{
    // A window of its own for every search, gone when it closes; a card it loads is shown only
    // by the main window that asked for it.
    TfrmCercaAcq search(context_, *this, frmEncrypt_Decrypt.get());
    search.lblMemory->setText(QStringLiteral("criptografia"));
    ui_.runModal(search);
}

void Forms::showFoundCard(const FileCard& card, std::uint64_t number)
{
    frmEncrypt_Decrypt->showCard(card, number);
}

void Forms::showExport()
{
    ui_.runModal(*frmEsportaMat);
}

void Forms::showBackup()
{
    ui_.runModal(*frmBakContatti);
}

void Forms::showMainWindow()
{
    showInFront(frmEncrypt_Decrypt.get());
    if (!filesGiven_.isEmpty()) {
        frmEncrypt_Decrypt->openFiles(std::exchange(filesGiven_, QStringList()));
    }
}

void Forms::showChangePassword()
{
    showInFront(frmCambiaPassword.get());
}

void Forms::backToLogin()
{
    frmPassword->returnToLogin();
}

} // namespace velarium
