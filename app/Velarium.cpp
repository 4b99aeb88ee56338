#include "app/Controls.h"
#include "app/ErrorDisplay.h"
#include "app/Forms.h"
#include "app/QtTranslation.h"
#include "main/InPlaceCipher.h"
#include "platform/DesktopUi.h"
#include "platform/Interruption.h"
#include "platform/QtText.h"
#include "resources/Resources.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QStyleFactory>

namespace {

// The last resort for a failure that no command reports itself: the log and the general error
// display, instead of the end of the program.
class VelariumApplication final : public QApplication
{
public:
    using QApplication::QApplication;
    velarium::UiServices* ui = nullptr;

    bool notify(QObject* receiver, QEvent* event) override
    {
        return velarium::deliverGuarded(ui, [&] { return QApplication::notify(receiver, event); });
    }
};

} // namespace

int main(int argc, char* argv[])
{
    // A logout (SIGHUP), SIGTERM or Ctrl-C in the middle of a decryption must not leave the file
    // in clear in the program folder.
    velarium::platform::removeTrackedFilesWhenStopped();
    VelariumApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(velarium::kApplicationTitle));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // Qt's own boxes and dialogs in the windows' light scheme, whatever the desktop's.
    QApplication::setPalette(velarium::lightScheme());
    // The windows hand over to one another by hiding themselves; the program ends only by
    // the login dialog, the main window or an exit command.
    QApplication::setQuitOnLastWindowClosed(false);
    velarium::initResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/Velarium.png")));

    // The program keeps its files beside the executable.
    const std::filesystem::path programFolder =
        velarium::toPath(QApplication::applicationDirPath());
    // Italian throughout: Qt's own texts, and the dates and sizes its dialogs show.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    velarium::installQtTranslation(programFolder);
    // A processed copy left by a run that was killed outright may be a file in clear; one that a
    // command of another copy of the program holds stays.
    velarium::InPlaceCipher::removeAbandonedCopies(programFolder);
    // The exports hold every password in clear: those a killed run left go now, this run's own
    // when it ends, with `ui`.
    velarium::DesktopUi ui;
    ui.removeLeftoverExports();
    application.ui = &ui;
    velarium::Forms forms({programFolder, ui});
    // "Velarium FILE": what a file manager's "Open with" (and Windows' "Apri con", "Invia a")
    // starts. Qt has taken its own options out by now.
    forms.showFirst(QApplication::arguments().mid(1));
    return QApplication::exec();
}
