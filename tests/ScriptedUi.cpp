#include "ScriptedUi.h"

#include "platform/Error.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <ostream>

namespace velarium::platform {

void PrintTo(const ShellRequest& request, std::ostream* out)
{
    const auto text = [](const std::optional<std::string>& value) {
        return value ? '"' + *value + '"' : std::string("(none)");
    };
    *out << "{owner " << (request.ownedByProgram ? "program" : "none") << ", verb "
         << text(request.verb) << ", file \"" << request.file << "\", parameters "
         << text(request.parameters) << ", folder " << text(request.directory) << ", show "
         << request.showMode << '}';
}

} // namespace velarium::platform

namespace velarium::test {

platform::ShellRequest defaultActionOn(const QString& path)
{
    platform::ShellRequest request;
    request.file = path.toStdString();
    request.showMode = 1; // SW_SHOWNORMAL
    return request;
}

platform::ShellRequest webSiteVisit(const std::string& url)
{
    platform::ShellRequest request;
    request.ownedByProgram = true;
    request.verb = "Open";
    request.file = url;
    request.showMode = 1;
    return request;
}

void ScriptedUi::record(BoxKind kind, const QString& title, const QString& text)
{
    shown.push_back({kind, title, text, busyDepth > 0});
    if (onShown) {
        onShown(shown.back());
    }
}

void ScriptedUi::warning(const QString& title, const QString& text)
{
    record(BoxKind::Warning, title, text);
}

void ScriptedUi::information(const QString& title, const QString& text)
{
    record(BoxKind::Information, title, text);
}

bool ScriptedUi::nextAnswer(bool defaultButton)
{
    if (answers_.empty()) {
        return defaultButton;
    }
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

bool ScriptedUi::question(const QString& title, const QString& text)
{
    record(BoxKind::Question, title, text);
    return nextAnswer(true);
}

bool ScriptedUi::riskyQuestion(const QString& title, const QString& text)
{
    record(BoxKind::RiskyQuestion, title, text);
    return nextAnswer(false);
}

void ScriptedUi::plainMessage(const QString& text)
{
    record(BoxKind::Plain, QStringLiteral("Velarium 2.0"), text);
}

bool ScriptedUi::runFileDialog(FileDialog& dialog)
{
    dialogs.push_back(dialog);
    if (choices_.empty()) {
        return false;
    }
    const std::optional<QString> choice = choices_.front();
    choices_.pop_front();
    if (!choice) {
        return false;
    }
    dialog.fileName = *choice;
    return true;
}

platform::ShellResult ScriptedUi::shellExecute(const platform::ShellRequest& request)
{
    shell.push_back(request);
    return shellResult;
}

int ScriptedUi::runModal(QDialog& dialog)
{
    dialog.setModal(true);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    if (!QTest::qWaitForWindowActive(&dialog)) {
        qWarning("the modal window did not become active");
    }
    if (onModal) {
        onModal(dialog);
    }
    if (dialog.isVisible()) {
        dialog.reject();
    }
    return dialog.result();
}

std::unique_ptr<PrintJob> ScriptedUi::startPrintJob()
{
    if (noPrinter) {
        throw NoPrinter("Nessuna stampante installata.");
    }
    if (!printer) {
        throw Error("Nessuna stampante predefinita.");
    }
    return printer();
}

std::unique_ptr<PrintJob> ScriptedUi::startPdfJob(const std::filesystem::path& file)
{
    if (!pdf) {
        throw Error("Nessun file PDF.");
    }
    return pdf(file);
}

void ScriptedUi::showInWordProcessor(const TextTable& table)
{
    if (!word) {
        throw platform::OfficeUnavailable("Nessun programma di videoscrittura.");
    }
    word(table);
}

void ScriptedUi::showInSpreadsheet(const TextTable& table, std::string_view sheet)
{
    if (!excel) {
        throw platform::OfficeUnavailable("Nessun foglio di calcolo.");
    }
    excel(table, sheet);
}

void ScriptedUi::writeWordFile(const std::filesystem::path& target, const TextTable& table)
{
    if (!wordFile) {
        throw platform::OfficeUnavailable("Nessun programma per scrivere documenti.");
    }
    wordFile(target, table);
}

void ScriptedUi::writeSpreadsheetFile(const std::filesystem::path& target, const TextTable& table,
                                      std::string_view sheet)
{
    if (!excelFile) {
        throw platform::OfficeUnavailable("Nessun programma per scrivere fogli di calcolo.");
    }
    excelFile(target, table, sheet);
}

void ScriptedUi::error(const QString& text)
{
    record(BoxKind::Error, QStringLiteral("Velarium 2.0"), text);
}

void ScriptedUi::setBusy(bool busy)
{
    busyDepth += busy ? 1 : -1;
    busyCount += busy ? 1 : 0;
}

QStringList ScriptedUi::titles() const
{
    QStringList list;
    for (const ShownBox& box : shown) {
        list << box.title;
    }
    return list;
}

} // namespace velarium::test
