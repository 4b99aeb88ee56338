#include "platform/DesktopUi.h"

#include "platform/DesktopBackend.h"
#include "platform/QtPrintJob.h"
#include "platform/QtText.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QSpacerItem>

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

} // namespace

DesktopUi::DesktopUi() : backend_(makeDesktopBackend())
{
    keepNoSettings();
}

DesktopUi::~DesktopUi() = default;

void DesktopUi::removeLeftoverExports()
{
    backend_->removeLeftoverExports();
}

platform::OfficeExport& DesktopUi::office()
{
    return *backend_;
}

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
    backend_->chooseDialogKind(box);
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
    return backend_->shellExecute(request, file, isUrl);
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
