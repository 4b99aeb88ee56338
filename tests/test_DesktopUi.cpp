// Away from Windows the desktop's URL handlers stand in for the shell: what each request
// becomes on the way there, watched through handlers of our own for the schemes involved.

#include "TempFolder.h"
#include "platform/DesktopUi.h"

#include <QDesktopServices>
#include <QDir>
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

using namespace velarium;

namespace {

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

class DesktopShellTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* scheme : {"file", "mailto", "http"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "open");
        }
        // The desktop's answer to "what handles this scheme", as xdg-mime gives it.
        savedPath_ = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(desktop_.path().string()) + ':' + savedPath_);
        handles({"mailto", "http"});
    }
    void TearDown() override
    {
        qputenv("PATH", savedPath_);
        for (const char* scheme : {"file", "mailto", "http"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }

    // The schemes for which the desktop names a handler; each question is noted, and answered
    // after `delay` (as sleep(1) takes it).
    void handles(std::initializer_list<const char*> schemes, const char* delay = "0")
    {
        std::string script = "#!/bin/sh\necho \"$3\" >> '" + (desktop_ / "domande").string() +
                             "'\nsleep " + delay + "\n";
        for (const char* scheme : schemes) {
            script += std::string("[ \"$3\" = x-scheme-handler/") + scheme +
                      " ] && echo gestore.desktop\n";
        }
        script += "exit 0\n";
        const auto tool = desktop_ / "xdg-mime";
        velarium::test::writeFile(tool, script);
        std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    }

    // What the desktop was asked, in order.
    std::string questions() const
    {
        return std::filesystem::exists(desktop_ / "domande")
                   ? velarium::test::readFile(desktop_ / "domande")
                   : std::string();
    }

    velarium::test::TempFolder desktop_;
    QByteArray savedPath_;
    UrlCatcher catcher;
    DesktopUi ui;
};

} // namespace

TEST_F(DesktopShellTest, PathsBecomeFileUrlsWithTheirNamesIntact)
{
    velarium::test::TempFolder folder;
    const std::string path = (folder / "perché ho 2 file.txt").string();
    EXPECT_TRUE(platform::shellSucceeded(ui.shellExecute(platform::openWithDefaultAction(path))));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_TRUE(catcher.urls[0].isLocalFile());
    EXPECT_EQ(catcher.urls[0].toLocalFile(), QString::fromStdString(path));
}

TEST_F(DesktopShellTest, ARelativePathIsTakenFromTheCurrentFolder)
{
    ui.shellExecute(platform::openWithDefaultAction("Guida.pdf"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_TRUE(catcher.urls[0].isLocalFile());
    EXPECT_TRUE(QDir::isAbsolutePath(catcher.urls[0].toLocalFile()));
    EXPECT_TRUE(catcher.urls[0].toLocalFile().endsWith(QStringLiteral("/Guida.pdf")));
}

TEST_F(DesktopShellTest, MailAndWebAddressesGoToTheirSchemesHandlers)
{
    const std::string mail = "mailto:autore@velarium.example?subject=Software Velarium 2.0"
                             "&body=Salve, desidererei avere le seguenti informazioni:";
    EXPECT_TRUE(platform::shellSucceeded(ui.shellExecute(platform::sendMail(mail))));
    EXPECT_TRUE(platform::shellSucceeded(
        ui.shellExecute(platform::visitWebSite("http://www.velarium.example/"))));
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(catcher.urls[0].path(), QStringLiteral("autore@velarium.example"));
    EXPECT_EQ(catcher.urls[0].query(QUrl::FullyDecoded),
              QStringLiteral("subject=Software Velarium 2.0&body=Salve, desidererei avere le "
                             "seguenti informazioni:"));
    EXPECT_EQ(catcher.urls[1], QUrl(QStringLiteral("http://www.velarium.example/")));
}

TEST_F(DesktopShellTest, AnEmailLinkWithNoMailProgramFailsInsteadOfDoingNothing)
{
    handles({"http"});
    const auto result = ui.shellExecute(platform::sendMail("mailto:autore@velarium.example"));
    EXPECT_FALSE(platform::shellSucceeded(result));
    EXPECT_EQ(result, platform::kShellNoHandler);
    EXPECT_TRUE(catcher.urls.isEmpty());
    // The web still opens.
    EXPECT_TRUE(platform::shellSucceeded(
        ui.shellExecute(platform::visitWebSite("http://www.velarium.example/"))));
}

TEST_F(DesktopShellTest, EachSchemesHandlerIsAskedForOnceAndTheWindowsGoOnMeanwhile)
{
    handles({"mailto", "http"}, "0.3");
    // Painting, timers and the like go on while the desktop thinks.
    bool ticked = false;
    QTimer::singleShot(0, [&] { ticked = true; });
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(
            platform::shellSucceeded(ui.shellExecute(platform::sendMail("mailto:a@b.example"))));
    }
    EXPECT_TRUE(ticked);
    EXPECT_TRUE(platform::shellSucceeded(
        ui.shellExecute(platform::visitWebSite("http://www.velarium.example/"))));
    EXPECT_EQ(questions(), "x-scheme-handler/mailto\nx-scheme-handler/http\n");
    EXPECT_EQ(catcher.urls.size(), 4);
}

TEST_F(DesktopShellTest, WithNoApplicationForOfficeDocumentsTheExportsFindNone)
{
    const TextTable table = {{"", " Password"}, {"1", "007"}};
    EXPECT_THROW(ui.office().showInWordProcessor(table), platform::OfficeUnavailable);
    EXPECT_THROW(ui.office().showInSpreadsheet(table, "Archivio"), platform::OfficeUnavailable);
    EXPECT_TRUE(catcher.urls.isEmpty());
    // The documents can still be had as files.
    EXPECT_TRUE(ui.office().canWriteFiles());
}

#include "test_DesktopUi.moc"
