#include "app/ErrorDisplay.h"

namespace velarium {

const QString kArchiveAccessMessage =
    QStringLiteral("Attenzione: il sistema non permette di accedere all'archivio.\n\r\n\r"
                   "Accertarsi di possedere i privilegi di scrittura nella cartella di "
                   "installazione del programma.");

void reportUnguardedError(UiServices& ui, const std::exception& error)
{
    ui.error(QString::fromUtf8(error.what()));
}

} // namespace velarium
