#include "app/Forms.h"

#include "main/Encrypt_Decrypt.h"

#include <QCoreApplication>

namespace velarium {

Forms::Forms(AppContext context)
    : frmEncrypt_Decrypt(std::make_unique<TfrmEncrypt_Decrypt>(context))
{
    QObject::connect(frmEncrypt_Decrypt.get(), &TfrmEncrypt_Decrypt::endProgram,
                     QCoreApplication::instance(), &QCoreApplication::quit);
}

Forms::~Forms() = default;

void Forms::showFirst()
{
    frmEncrypt_Decrypt->show();
}

} // namespace velarium
