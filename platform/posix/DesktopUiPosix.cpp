// Away from Windows the desktop's handlers stand in for the shell, and the office exports are
// files of this run that the desktop's own applications open.

#include "platform/DesktopBackend.h"
#include "platform/ExportFolder.h"
#include "platform/OfficeFiles.h"
#include "platform/QtText.h"
#include "platform/Utf8Path.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <future>
#include <map>

namespace velarium {
namespace {

constexpr const char* kDocxType =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
constexpr const char* kXlsxType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

// Whether the desktop has an application for the type: what a missing office suite or mail
// program looks like away from Windows.
bool desktopOpens(const QString& mimeType)
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    return query.waitForFinished(10000) && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

// The desktop's answer for each type, asked once, on a thread of its own: the desktop may take
// seconds to answer, and the windows go on painting meanwhile.
class HandlerAnswers
{
public:
    bool opens(const QString& mimeType)
    {
        auto asked = answers_.find(mimeType);
        if (asked == answers_.end()) {
            asked =
                answers_.emplace(mimeType, std::async(std::launch::async, desktopOpens, mimeType))
                    .first;
        }
        // A copy: the loop below may let another question in, which adds to the map.
        const std::shared_future<bool> answer = asked->second;
        if (answer.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
            QEventLoop loop;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
                    loop.quit();
                }
            });
            poll.start(20);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        return answer.get();
    }

private:
    std::map<QString, std::shared_future<bool>> answers_;
};

void openWithDesktop(const std::filesystem::path& file)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(fromPath(file)))) {
        // Not OfficeUnavailable: the document was made, only nothing shows it.
        throw Error("Nessuna applicazione apre " + utf8FromPath(file));
    }
}

class PosixDesktop final : public DesktopBackend
{
public:
    void removeLeftoverExports() override { exports_.removeLeftovers(); }

    platform::ShellResult shellExecute(const platform::ShellRequest&, const QString& file,
                                       bool isUrl) override
    {
        // Every verb the program uses means opening, and the desktop has no owner windows or
        // show modes to pass on: a URL goes to its scheme's handler, a path to its type's
        // application.
        const QUrl url =
            isUrl ? QUrl(file) : QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
        // The opener starts whether or not anything handles the scheme, and reports success
        // either way: a desktop with no mail program would leave an e-mail link doing nothing.
        if (isUrl && !handlers_.opens(QStringLiteral("x-scheme-handler/") + url.scheme())) {
            return platform::kShellNoHandler;
        }
        return QDesktopServices::openUrl(url) ? platform::kShellDone : platform::kShellNoHandler;
    }

    // A desktop's own dialog (GTK's, say) keeps its own list of recent places; Qt's keeps none
    // past the run.
    void chooseDialogKind(QFileDialog& box) const override
    {
        box.setOption(QFileDialog::DontUseNativeDialog);
    }

    void showInWordProcessor(const TextTable& table) override
    {
        if (!handlers_.opens(QString::fromLatin1(kDocxType))) {
            throw platform::OfficeUnavailable("Nessuna applicazione per i documenti di testo");
        }
        platform::openDocx(exports_, table, openWithDesktop);
    }

    void showInSpreadsheet(const TextTable& table, std::string_view sheet) override
    {
        if (!handlers_.opens(QString::fromLatin1(kXlsxType))) {
            throw platform::OfficeUnavailable("Nessuna applicazione per i fogli di calcolo");
        }
        platform::openXlsx(exports_, table, sheet, openWithDesktop);
    }

    bool canWriteFiles() const override { return true; }

    void writeWordFile(const std::filesystem::path& target, const TextTable& table) override
    {
        platform::writeDocx(target, table);
    }

    void writeSpreadsheetFile(const std::filesystem::path& target, const TextTable& table,
                              std::string_view sheet) override
    {
        platform::writeXlsx(target, table, sheet);
    }

private:
    // The exports hold every password in clear: they go with the run.
    platform::ExportFolder exports_{platform::ExportFolder::userFolder()};
    HandlerAnswers handlers_;
};

} // namespace

std::unique_ptr<DesktopBackend> makeDesktopBackend()
{
    return std::make_unique<PosixDesktop>();
}

} // namespace velarium
