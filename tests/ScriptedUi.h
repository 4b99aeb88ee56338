#pragma once

#include "platform/UiServices.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <vector>

namespace velarium::platform {
// For the test framework's messages: every argument of the call, nothing shown as absent.
void PrintTo(const ShellRequest& request, std::ostream* out);
} // namespace velarium::platform

namespace velarium::test {

// What the shell is asked when the program opens a file or folder with its default action:
// no owner, no verb, no parameters or folder, a normal window.
platform::ShellRequest defaultActionOn(const QString& path);
// What it is asked for a web site: owned by the program's window, the verb "Open" with its
// capital, nothing else, a normal window.
platform::ShellRequest webSiteVisit(const std::string& url);

enum class BoxKind
{
    Warning,
    Information,
    Question,
    RiskyQuestion, // No the default
    Plain,
    Error // the general error display
};

struct ShownBox
{
    BoxKind kind;
    QString title;
    QString text;
    bool busy; // whether the hourglass was up while the box was shown
};

// Desktop services for tests: records every box, answers questions from a script (when the
// script is empty, a question's default button: Yes, or No for a risky one), and counts the
// busy pointer. It stands for the office programs too.
class ScriptedUi final : public UiServices, public platform::OfficeExport
{
public:
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
    platform::OfficeExport& office() override { return *this; }
    void showInWordProcessor(const TextTable& table) override;
    void showInSpreadsheet(const TextTable& table, std::string_view sheet) override;
    bool canWriteFiles() const override { return officeFiles; }
    void writeWordFile(const std::filesystem::path& target, const TextTable& table) override;
    void writeSpreadsheetFile(const std::filesystem::path& target, const TextTable& table,
                              std::string_view sheet) override;
    void error(const QString& text) override;
    void setBusy(bool busy) override;

    // Drives a modal window in place of its event loop; it should close the window.
    std::function<void(QDialog&)> onModal;
    // Show the exports in the office programs; the default is none, as on a computer without
    // them.
    std::function<void(const TextTable&)> word;
    std::function<void(const TextTable&, std::string_view sheet)> excel;
    // Whether the exports can be written to files instead, as away from Windows.
    bool officeFiles = true;
    // Write the exports to files instead; the default is none.
    std::function<void(const std::filesystem::path&, const TextTable&)> wordFile;
    std::function<void(const std::filesystem::path&, const TextTable&, std::string_view sheet)>
        excelFile;
    // Makes the print jobs; the default is none, as with no default printer.
    std::function<std::unique_ptr<PrintJob>()> printer;
    // A system without any printer (not merely a printer that fails).
    bool noPrinter = false;
    // Makes the PDF jobs; the default writes none.
    std::function<std::unique_ptr<PrintJob>(const std::filesystem::path&)> pdf;

    void answerNext(bool yes) { answers_.push_back(yes); }
    // The next file dialog confirms this name (or is cancelled, given nothing).
    void chooseNext(std::optional<QString> fileName) { choices_.push_back(std::move(fileName)); }
    // Called as each box is shown, before it "closes": to look at the world at that moment.
    std::function<void(const ShownBox&)> onShown;

    std::vector<ShownBox> shown;
    std::vector<FileDialog> dialogs;           // each file dialog as it was when it opened
    std::vector<platform::ShellRequest> shell; // what was handed to the shell
    platform::ShellResult shellResult = platform::kShellDone; // and what it answers
    int busyDepth = 0;
    int busyCount = 0; // how many times the hourglass was put up

    QStringList titles() const;

private:
    void record(BoxKind kind, const QString& title, const QString& text);
    // The next scripted answer, or the box's default button when the script is empty.
    bool nextAnswer(bool defaultButton);
    std::deque<bool> answers_;
    std::deque<std::optional<QString>> choices_;
};

} // namespace velarium::test
