#include "platform/DesktopUi.h"

#include "platform/QtText.h"
#ifndef Q_OS_WIN
#include "platform/OfficeFiles.h"
#endif
#include "platform/QtPrintJob.h"
#include "platform/Utf8Path.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSpacerItem>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <future>

namespace velarium {

void fitToTitle(QMessageBox& box)
{
    // The title bar's face is the window manager's; a bold face of the program's size, with room
    // for the icon and the three buttons beside it, is what the common ones need.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int needed = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + 150;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(needed, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

namespace {

QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const QString& title,
                                    const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton)
{
    // No owner window: the box is modal for the whole application, like a task-modal box.
    QMessageBox box(icon, title, forDisplay(text), buttons);
    box.setDefaultButton(defaultButton);
    box.setWindowModality(Qt::ApplicationModal);
    fitToTitle(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

// The toolkit's "description|pattern|description|pattern" filter as Qt's name filters. A
// Windows "*.*" matches every file, names without a dot included, which Qt spells "*". Windows
// matches patterns whatever the letter case, Qt here only in the case written, so "*.BKA" also
// goes in lower case: it must list the "*.bka" files the program writes. Qt shows a filter as
// its description followed by its patterns; the patterns go in a last pair of brackets of their
// own, which the dialog hides, so that the description reads as the program wrote it.
QStringList nameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (pattern == QStringLiteral("*.*")) {
                patterns << QStringLiteral("*");
                continue;
            }
            for (const QString& variant : {pattern, pattern.toLower(), pattern.toUpper()}) {
                if (!patterns.contains(variant)) {
                    patterns << variant;
                }
            }
        }
        filters << parts[i].trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

// Qt's file dialog writes the folders and names the user visited into the user's own settings
// ("QtProject") as it closes, and no call turns that off. A program that hides files must not
// keep a list of them outside its folder: the user's settings are sent where nothing can be
// made (below the executable, a file), so that the dialogs remember the last choice only for
// the run, through FileDialog.
void keepNoSettings()
{
    const QString nowhere =
        QCoreApplication::applicationFilePath() + QStringLiteral("/nessuna-impostazione");
    QSettings::setDefaultFormat(QSettings::IniFormat);
    for (const QSettings::Format format : {QSettings::IniFormat, QSettings::NativeFormat}) {
        QSettings::setPath(format, QSettings::UserScope, nowhere);
    }
}

#ifndef Q_OS_WIN
constexpr const char* kDocxType =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
constexpr const char* kXlsxType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

// Whether the desktop has an application for the type: what a missing office suite looks
// like away from Windows.
bool desktopOpens(const QString& mimeType)
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    return query.waitForFinished(10000) && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

// The same, asked on a thread of its own: the windows go on painting while the desktop
// answers.
bool desktopOpensWhileWaiting(const QString& mimeType)
{
    std::future<bool> answer = std::async(std::launch::async, desktopOpens, mimeType);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            loop.quit();
        }
    });
    poll.start(20);
    if (answer.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return answer.get();
}

void openWithDesktop(const std::filesystem::path& file)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(fromPath(file)))) {
        throw automation::Unavailable("Nessuna applicazione apre " + utf8FromPath(file));
    }
}
#endif

} // namespace

#ifdef Q_OS_WIN
// Word and Excel themselves hold the documents: no file is written.
struct DesktopUi::Exports
{
};

DesktopUi::DesktopUi()
{
    keepNoSettings();
}
DesktopUi::~DesktopUi() = default;

void DesktopUi::removeLeftoverExports() {}

std::unique_ptr<automation::WordApplication> DesktopUi::createWordApplication()
{
    return automation::startWord();
}

std::unique_ptr<automation::ExcelApplication> DesktopUi::createExcelApplication()
{
    return automation::startExcel();
}

std::unique_ptr<automation::WordApplication> DesktopUi::createWordFile(const std::filesystem::path&)
{
    throw automation::Unavailable("Nessun programma per scrivere documenti di Word");
}

std::unique_ptr<automation::ExcelApplication>
DesktopUi::createExcelFile(const std::filesystem::path&)
{
    throw automation::Unavailable("Nessun programma per scrivere fogli di Excel");
}

bool DesktopUi::canWriteOfficeFiles() const
{
    return false;
}
#else
struct DesktopUi::Exports
{
    platform::ExportFolder folder{platform::ExportFolder::userFolder()};
};

DesktopUi::DesktopUi() : exports_(std::make_unique<Exports>())
{
    keepNoSettings();
}
DesktopUi::~DesktopUi() = default;

void DesktopUi::removeLeftoverExports()
{
    exports_->folder.removeLeftovers();
}

std::unique_ptr<automation::WordApplication> DesktopUi::createWordApplication()
{
    if (!desktopOpensWhileWaiting(QString::fromLatin1(kDocxType))) {
        throw automation::Unavailable("Nessuna applicazione per i documenti di testo");
    }
    return platform::makeDocxWriter(exports_->folder, openWithDesktop);
}

std::unique_ptr<automation::ExcelApplication> DesktopUi::createExcelApplication()
{
    if (!desktopOpensWhileWaiting(QString::fromLatin1(kXlsxType))) {
        throw automation::Unavailable("Nessuna applicazione per i fogli di calcolo");
    }
    return platform::makeXlsxWriter(exports_->folder, openWithDesktop);
}

std::unique_ptr<automation::WordApplication>
DesktopUi::createWordFile(const std::filesystem::path& target)
{
    return platform::makeDocxWriter(target, nullptr);
}

std::unique_ptr<automation::ExcelApplication>
DesktopUi::createExcelFile(const std::filesystem::path& target)
{
    return platform::makeXlsxWriter(target, nullptr);
}

bool DesktopUi::canWriteOfficeFiles() const
{
    return true;
}
#endif

bool DesktopUi::runFileDialog(FileDialog& dialog)
{
    QFileDialog box(nullptr, dialog.title);
    box.setAcceptMode(dialog.forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    box.setFileMode(dialog.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    box.setOption(QFileDialog::DontConfirmOverwrite, !dialog.confirmOverwrite);
    box.setOption(QFileDialog::HideNameFilterDetails);
    box.setNameFilters(nameFilters(dialog.filter));
    if (!dialog.defaultExtension.isEmpty()) {
        box.setDefaultSuffix(dialog.defaultExtension);
    }
    if (!dialog.fileName.isEmpty()) {
        const QFileInfo last(dialog.fileName);
        if (last.isAbsolute()) {
            box.setDirectory(last.absolutePath());
        }
        box.selectFile(last.fileName());
    }
    box.setSizeGripEnabled(true);
#ifndef Q_OS_WIN
    // A desktop's own dialog (GTK's, say) keeps its own list of recent places; Qt's keeps none
    // past the run. Windows' dialog is the system's common dialog, as the program always had.
    box.setOption(QFileDialog::DontUseNativeDialog);
#endif
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) {
        return false;
    }
    // The system's own separators: on Windows the archive keeps paths as Windows writes them.
    dialog.fileName = QDir::toNativeSeparators(box.selectedFiles().constFirst());
    return true;
}

platform::ShellResult DesktopUi::shellExecute(const platform::ShellRequest& request)
{
    const QString file = QString::fromStdString(request.file);
    // A scheme of two letters or more: "C:" is a drive, not a URL.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    const bool isUrl = !file.startsWith(QLatin1Char('/')) && scheme.match(file).hasMatch();
#ifdef Q_OS_WIN
    // Paths reach the shell as Windows writes them, whatever separators Qt handed us.
    platform::ShellRequest native = request;
    if (!isUrl) {
        native.file = QDir::toNativeSeparators(file).toStdString();
    }
    // The program's window is the one the user is working in.
    const QWidget* owner = QApplication::activeWindow();
    return platform::shellExecute(native, owner ? static_cast<std::intptr_t>(owner->winId()) : 0);
#else
    // Away from Windows the desktop's handlers stand in for the shell: a URL goes to its
    // scheme's handler, a path to its type's application. Every verb the program uses means
    // opening, and the desktop has no owner windows or show modes to pass on.
    const QUrl url = isUrl ? QUrl(file) : QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    // The opener starts whether or not anything handles the scheme, and reports success either
    // way: a desktop with no mail program would leave an e-mail link doing nothing at all.
    if (isUrl && !desktopOpensWhileWaiting(QStringLiteral("x-scheme-handler/") + url.scheme())) {
        return platform::kShellNoHandler;
    }
    return QDesktopServices::openUrl(url) ? platform::kShellDone : platform::kShellNoHandler;
#endif
}

void DesktopUi::warning(const QString& title, const QString& text)
{
    showBox(QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

void DesktopUi::information(const QString& title, const QString& text)
{
    showBox(QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool DesktopUi::question(const QString& title, const QString& text)
{
    return showBox(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes) != QMessageBox::No;
}

bool DesktopUi::riskyQuestion(const QString& title, const QString& text)
{
    return showBox(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::No) == QMessageBox::Yes;
}

void DesktopUi::plainMessage(const QString& text)
{
    showBox(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
            QMessageBox::Ok);
}

int DesktopUi::runModal(QDialog& dialog)
{
    return dialog.exec();
}

std::unique_ptr<PrintJob> DesktopUi::startPrintJob()
{
    return QtPrintJob::onDefaultPrinter();
}

std::unique_ptr<PrintJob> DesktopUi::startPdfJob(const std::filesystem::path& file)
{
    return QtPrintJob::toPdf(fromPath(file));
}

void DesktopUi::error(const QString& text)
{
    showBox(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok,
            QMessageBox::Ok);
}

void DesktopUi::setBusy(bool busy)
{
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

} // namespace velarium
