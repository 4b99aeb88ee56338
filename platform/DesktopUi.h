#pragma once

#include "platform/UiServices.h"

namespace velarium {

// The real desktop: Qt's message boxes and override cursor.
class DesktopUi final : public UiServices
{
public:
    void warning(const QString& title, const QString& text) override;
    void information(const QString& title, const QString& text) override;
    bool question(const QString& title, const QString& text) override;
    void plainMessage(const QString& text) override;
    bool runFileDialog(FileDialog& dialog) override;
    platform::ShellResult shellExecute(const platform::ShellRequest& request) override;
    int runModal(QDialog& dialog) override;
    std::unique_ptr<PrintJob> startPrintJob() override;
    std::unique_ptr<automation::WordApplication> createWordApplication() override;
    std::unique_ptr<automation::ExcelApplication> createExcelApplication() override;
    void error(const QString& text) override;
    void setBusy(bool busy) override;
};

} // namespace velarium
