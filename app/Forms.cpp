#include "app/Forms.h"

#include "app/CambiaPassword.h"
#include "app/Password.h"
#include "main/Encrypt_Decrypt.h"

#include <QCoreApplication>

namespace velarium {

Forms::Forms(AppContext context)
{
    context.forms = this;
    frmPassword = std::make_unique<TfrmPassword>(context);
    frmEncrypt_Decrypt = std::make_unique<TfrmEncrypt_Decrypt>(context);
    // frmHelpForm
    // frmInfo
    // frmSplash
    // frmEsportaMat
    // frmBakContatti
    frmCambiaPassword = std::make_unique<TfrmCambiaPassword>(context, *frmPassword);

    frmPassword->setPartners(frmEncrypt_Decrypt.get(), frmCambiaPassword.get());
    // Closing the login dialog or the main window, or an exit command, ends the program; no
    // hidden window may keep it running.
    QObject::connect(frmPassword.get(), &TfrmPassword::endProgram, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    QObject::connect(frmEncrypt_Decrypt.get(), &TfrmEncrypt_Decrypt::endProgram,
                     QCoreApplication::instance(), &QCoreApplication::quit);
}

Forms::~Forms() = default;

void Forms::showFirst()
{
    frmPassword->show();
}

} // namespace velarium
