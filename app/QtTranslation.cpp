#include "app/QtTranslation.h"

#include "platform/QtText.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace velarium {

QTranslator* installQtTranslation(const std::filesystem::path& programFolder)
{
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    for (const QString& folder : {fromPath(programFolder / kTranslationsFolder),
                                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
        // Debian installs Qt's catalogue as qtbase_it; windeployqt merges the modules the
        // program uses into one qt_it.
        for (const QString& catalogue : {QStringLiteral("qtbase"), QStringLiteral("qt")}) {
            auto translator = std::make_unique<QTranslator>();
            if (translator->load(italian, catalogue, QStringLiteral("_"), folder) &&
                QCoreApplication::installTranslator(translator.get())) {
                // The application keeps it for the program's life.
                translator->setParent(QCoreApplication::instance());
                return translator.release();
            }
        }
    }
    return nullptr;
}

} // namespace velarium
