#include "app/Forms.h"
#include "platform/DesktopUi.h"
#include "resources/Resources.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(velarium::kApplicationTitle));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The windows hand over to one another by hiding themselves; the program ends only by
    // the login dialog, the main window or an exit command.
    QApplication::setQuitOnLastWindowClosed(false);
    velarium::initResources();

    // The program keeps its files beside the executable.
    const std::filesystem::path programFolder(
        QFile::encodeName(QApplication::applicationDirPath()).toStdString());
    velarium::DesktopUi ui;
    velarium::Forms forms({programFolder, ui});
    forms.showFirst();
    return QApplication::exec();
}
