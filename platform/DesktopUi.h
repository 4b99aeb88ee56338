#pragma once

#include "platform/UiServices.h"

#include <memory>

class QMessageBox;

namespace velarium {

class DesktopBackend;

// Widens a box to what its title needs: Qt sizes a box to its text, and the window manager then
// cuts a long title ("Salvataggio sched… con successo").
void fitToTitle(QMessageBox& box);

// The real desktop: Qt's message boxes and override cursor.
class DesktopUi final : public UiServices
{
public:
    DesktopUi();
    // Where the office exports are files of this run (away from Windows), they go with it.
    ~DesktopUi() override;
    DesktopUi(const DesktopUi&) = delete;
    DesktopUi& operator=(const DesktopUi&) = delete;

    // Removes the exports that runs killed before their end left behind, for the program's
    // start; those of other runs still alive stay.
    void removeLeftoverExports();

    void warning(const QString& title, const QString& text) override;
    void information(const QString& title, const QString& text) override;
    bool question(const QString& title, const QString& text) override;
    bool riskyQuestion(const QString& title, const QString& text) override;
    void plainMessage(const QString& text) override;
    bool runFileDialog(FileDialog& dialog) override;
    platform::ShellResult shellExecute(const platform::ShellRequest& request) override;
    int runModal(QDialog& dialog) override;
    std::unique_ptr<PrintJob> startPrintJob() override;
    std::unique_ptr<PrintJob> startPdfJob(const std::filesystem::path& file) override;
    platform::OfficeExport& office() override;
    void error(const QString& text) override;
    void setBusy(bool busy) override;

private:
    std::unique_ptr<DesktopBackend> backend_;
};

} // namespace velarium
