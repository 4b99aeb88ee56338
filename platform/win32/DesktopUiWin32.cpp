// On Windows the shell itself opens files and links, and Word and Excel hold the exported
// documents: no file of them is written.

#include "platform/DesktopBackend.h"
#include "platform/win32/OfficeAutomation.h"
#include "platform/win32/ShellWin32.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

namespace velarium {
namespace {

class Win32Desktop final : public DesktopBackend
{
public:
    void removeLeftoverExports() override {}

    platform::ShellResult shellExecute(const platform::ShellRequest& request, const QString& file,
                                       bool isUrl) override
    {
        // Paths reach the shell as Windows writes them, whatever separators Qt handed us.
        platform::ShellRequest native = request;
        if (!isUrl) {
            native.file = QDir::toNativeSeparators(file).toStdString();
        }
        // The program's window is the one the user is working in.
        const QWidget* owner = QApplication::activeWindow();
        return platform::shellExecute(native,
                                      owner ? static_cast<std::intptr_t>(owner->winId()) : 0);
    }

    // Windows' dialog is the system's common dialog, as the program always had.
    void chooseDialogKind(QFileDialog&) const override {}

    void showInWordProcessor(const TextTable& table) override
    {
        platform::win32::showInWord(table);
    }

    void showInSpreadsheet(const TextTable& table, std::string_view sheet) override
    {
        platform::win32::showInExcel(table, sheet);
    }

    bool canWriteFiles() const override { return false; }

    void writeWordFile(const std::filesystem::path&, const TextTable&) override
    {
        throw platform::OfficeUnavailable("Nessun programma per scrivere documenti di Word");
    }

    void writeSpreadsheetFile(const std::filesystem::path&, const TextTable&,
                              std::string_view) override
    {
        throw platform::OfficeUnavailable("Nessun programma per scrivere fogli di Excel");
    }
};

} // namespace

std::unique_ptr<DesktopBackend> makeDesktopBackend()
{
    return std::make_unique<Win32Desktop>();
}

} // namespace velarium
