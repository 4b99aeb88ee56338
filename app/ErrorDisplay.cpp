#include "app/ErrorDisplay.h"

#include "platform/Log.h"

namespace velarium {

const QString kArchiveAccessMessage =
    QStringLiteral("Attenzione: il sistema non permette di accedere all'archivio.\n\r\n\r"
                   "Accertarsi di possedere i privilegi di scrittura nella cartella di "
                   "installazione del programma.");

void reportUnguardedError(UiServices& ui, const std::exception& error)
{
    ui.error(QString::fromUtf8(error.what()));
}

void reportEscapedError(UiServices* ui, const std::exception& error)
{
    logFailure("Errore non gestito", error);
    if (ui) {
        reportUnguardedError(*ui, error);
    }
}

} // namespace velarium
