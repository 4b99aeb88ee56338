#include "guide/MakerLinks.h"

#include "app/Controls.h"
#include "guide/Contacts.h"
#include "platform/UiServices.h"

#include <QString>

namespace velarium {

void sendMailToMaker(UiServices& ui)
{
    QString url;
    {
        BusyPointer busy(ui);
        // Plain concatenation: the blanks, the comma and the colon go in as they are, for the
        // mail program to read.
        url = QStringLiteral("mailto:") + QString::fromLatin1(kMakerEmail) +
              QStringLiteral("?subject=") + QStringLiteral("Software Velarium 2.0") +
              QStringLiteral("&body=") +
              QStringLiteral("Salve, desidererei avere le seguenti informazioni sul software in "
                             "oggetto:");
    }
    if (!platform::shellSucceeded(ui.shellExecute(platform::sendMail(url.toStdString())))) {
        ui.plainMessage(QStringLiteral("Invio e-mail non riuscito."));
    }
}

void visitMakerWebSite(UiServices& ui)
{
    BusyPointer busy(ui);
    ui.shellExecute(platform::visitWebSite(kMakerWebSite));
}

} // namespace velarium
