// The about window, the contact links and the side column's commands that open them.
#include "ScriptedUi.h"
#include "TempFolder.h"
#include "app/Controls.h"
#include "app/Forms.h"
#include "guide/Contacts.h"
#include "guide/Info.h"
#include "guide/Splash.h"
#include "main/Encrypt_Decrypt.h"

#include <QApplication>
#include <QGroupBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::BoxKind;
using velarium::test::ScriptedUi;
using velarium::test::TempFolder;

namespace {

const QString kMailUrl = QStringLiteral(
    "mailto:autore@velarium.example?subject=Software Velarium 2.0&body=Salve, desidererei avere "
    "le seguenti informazioni sul software in oggetto:");

class InfoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        forms = std::make_unique<Forms>(AppContext{folder.path(), ui});
        info = forms->frmInfo.get();
    }

    void showInfo()
    {
        info->show();
        QApplication::setActiveWindow(info);
        ASSERT_TRUE(QTest::qWaitForWindowActive(info));
    }

    static QColor colour(const QLabel* label)
    {
        return label->palette().color(QPalette::WindowText);
    }

    TempFolder folder;
    ScriptedUi ui;
    std::unique_ptr<Forms> forms;
    TfrmInfo* info = nullptr;
};

} // namespace

TEST_F(InfoTest, TheWindowAndItsLinks)
{
    EXPECT_EQ(info->windowTitle(), QStringLiteral(" Informazioni su Velarium 2.0 ©"));
    EXPECT_EQ(info->size(), QSize(472, 519));
    EXPECT_EQ(info->lblEmail->text(), QStringLiteral("Invia e-mail"));
    EXPECT_EQ(info->lblWeb->text(), QStringLiteral("Visita sito Internet"));
    EXPECT_EQ(info->cmdOK->text(), QStringLiteral("OK"));
    for (ClickLabel* link : {info->imgEmail, info->lblEmail, info->imgWeb, info->lblWeb}) {
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    }
    for (const char* name : {"grpInfo", "shpFoto", "shpLogo", "imgAutore", "imgLogo",
                             "panInformativa", "imgInformativa"}) {
        EXPECT_NE(info->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    }
}

TEST_F(InfoTest, TheLinksLightUpUnderThePointer)
{
    showInfo();
    const QColor red(255, 0, 0);
    const QColor navy(0, 0, 0x80);
    EXPECT_EQ(colour(info->lblEmail), navy);
    QTest::mouseMove(info->lblEmail, QPoint(3, 3));
    EXPECT_EQ(colour(info->lblEmail), red);
    EXPECT_EQ(colour(info->lblWeb), navy);
    QTest::mouseMove(info->lblWeb, QPoint(3, 3)); // straight from one to the other
    EXPECT_EQ(colour(info->lblEmail), navy);
    EXPECT_EQ(colour(info->lblWeb), red);
    QTest::mouseMove(info->imgEmail, QPoint(3, 3));
    EXPECT_EQ(colour(info->lblEmail), red);
    QTest::mouseMove(info->grpInfo, QPoint(2, 2));
    EXPECT_EQ(colour(info->lblEmail), navy);
    EXPECT_EQ(colour(info->lblWeb), navy);
}

TEST_F(InfoTest, TheMailLinkHandsTheShellAnUnencodedUrl)
{
    showInfo();
    QTest::mouseClick(info->lblEmail, Qt::RightButton); // any button
    QTest::mouseClick(info->imgEmail, Qt::LeftButton);
    forms->frmEncrypt_Decrypt->imgEmailClick();
    // No owner, the verb "open", empty (not absent) parameters and folder, a normal window.
    platform::ShellRequest mail;
    mail.verb = "open";
    mail.file = kMailUrl.toStdString();
    mail.parameters = "";
    mail.directory = "";
    mail.showMode = 1;
    EXPECT_EQ(ui.shell, std::vector(3, mail));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(ui.busyDepth, 0);

    // The shell's answers from 0 to 32 are its failures; 33 is the first success.
    for (const platform::ShellResult refusal : {0, 2, 31, 32}) {
        SCOPED_TRACE(refusal);
        ui.shown.clear();
        ui.shellResult = refusal;
        forms->frmEncrypt_Decrypt->imgEmailClick();
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].kind, BoxKind::Plain);
        EXPECT_EQ(ui.shown[0].text, QStringLiteral("Invio e-mail non riuscito."));
        EXPECT_FALSE(ui.shown[0].busy);
    }
    ui.shown.clear();
    ui.shellResult = 33;
    QTest::mouseClick(info->imgEmail, Qt::LeftButton);
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(InfoTest, TheWebLinkOpensTheSiteAndSaysNothingWhenItCannot)
{
    showInfo();
    ui.shellResult = 31; // no browser
    QTest::mouseClick(info->lblWeb, Qt::LeftButton);
    QTest::mouseClick(info->imgWeb, Qt::MiddleButton);
    EXPECT_EQ(ui.shell, std::vector(2, test::webSiteVisit(kMakerWebSite)));
    EXPECT_TRUE(std::string(kMakerWebSite).starts_with("http://"));
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(InfoTest, OkCloses)
{
    showInfo();
    QTest::mouseClick(info->cmdOK, Qt::LeftButton);
    EXPECT_FALSE(info->isVisible());
    EXPECT_EQ(info->result(), QDialog::Rejected);
}

TEST_F(InfoTest, TheSideColumnOpensTheAboutAndSplashWindowsModally)
{
    std::vector<QString> opened;
    ui.onModal = [&](QDialog& dialog) {
        opened.push_back(dialog.objectName());
    };
    TfrmEncrypt_Decrypt& main = *forms->frmEncrypt_Decrypt;
    QTest::mouseClick(main.imgInfo, Qt::LeftButton);
    QTest::mouseClick(main.imgCopyright, Qt::LeftButton);
    EXPECT_EQ(opened,
              (std::vector<QString>{QStringLiteral("frmInfo"), QStringLiteral("frmSplash")}));
}
