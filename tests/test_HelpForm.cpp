// The help window, opened from the real main window of the program's set of windows and driven
// in place of its modal loop.
#include "RecordingNavigator.h"
#include "ScriptedUi.h"
#include "TempFolder.h"
#include "app/Controls.h"
#include "app/Forms.h"
#include "guide/HelpForm.h"
#include "guide/HelpTopics.h"
#include "main/Encrypt_Decrypt.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace velarium;
using velarium::test::RecordingNavigator;
using velarium::test::ScriptedUi;
using velarium::test::TempFolder;

namespace {

const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);

class HelpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        forms = std::make_unique<Forms>(AppContext{program.path(), ui});
        mainWindow().show();
        QApplication::setActiveWindow(&mainWindow());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow()));
    }

    TfrmEncrypt_Decrypt& mainWindow() { return *forms->frmEncrypt_Decrypt; }
    TfrmHelpForm& help() { return *forms->frmHelpForm; }

    // Runs `open` and `drive` on the help window while it is up; false when it never opened.
    bool whileOpen(const std::function<void()>& open,
                   const std::function<void(TfrmHelpForm&)>& drive)
    {
        bool opened = false;
        ui.onModal = [&](QDialog& dialog) {
            opened = true;
            auto* window = qobject_cast<TfrmHelpForm*>(&dialog);
            ASSERT_EQ(window, &help());
            drive(*window);
        };
        open();
        ui.onModal = nullptr;
        return opened;
    }

    // The mouse as the user moves it: over a point of a control, delivered to its window.
    static void moveOver(QWidget* control, QPoint at = {})
    {
        QWidget* window = control->window();
        const QPoint point = control->mapTo(window, at.isNull() ? control->rect().center() : at);
        QTest::mouseMove(window->windowHandle(), point);
    }

    static void clickOn(QWidget* control, Qt::MouseButton button)
    {
        QWidget* window = control->window();
        QTest::mouseClick(window->windowHandle(), button, {},
                          control->mapTo(window, control->rect().center()));
    }

    static QColor linkColour(const TfrmHelpForm& w)
    {
        return w.lblPDF->palette().color(QPalette::WindowText);
    }

    QString guidePath() const { return QString::fromStdString((program / "Guida.pdf").string()); }

    TempFolder program;
    ScriptedUi ui;
    std::unique_ptr<Forms> forms;
};

TEST_F(HelpTest, TheWindowShowsItsControlsAsDesigned)
{
    // Before any topic, the window holds its design-time texts.
    EXPECT_EQ(help().panTitle->text(), QStringLiteral("Titolo argomento guida"));
    EXPECT_EQ(help().memTopic->toPlainText(), QStringLiteral("memTopic"));

    ASSERT_TRUE(whileOpen(
        [&] { mainWindow().imgGuidaClick(); },
        [](TfrmHelpForm& w) {
            EXPECT_EQ(w.objectName(), QStringLiteral("frmHelpForm"));
            EXPECT_EQ(w.windowTitle(), QStringLiteral(" Guida in linea"));
            EXPECT_EQ(w.size(), QSize(561, 459));
            EXPECT_TRUE(w.isModal());
            EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
            EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);

            const std::pair<QWidget*, const char*> named[] = {
                {w.imgLogo, "imgLogo"},
                {w.panTitle, "panTitle"},
                {w.panContainer, "panContainer"},
                {w.memTopic, "memTopic"},
                {w.imgPDF, "imgPDF"},
                {w.lblPDF, "lblPDF"},
                {w.cmdOK, "cmdOK"},
            };
            for (const auto& [control, name] : named) {
                EXPECT_EQ(w.findChild<QWidget*>(QString::fromLatin1(name)), control) << name;
                EXPECT_TRUE(control->isVisible()) << name;
            }
            EXPECT_FALSE(w.imgLogo->pixmap().isNull());
            EXPECT_FALSE(w.imgPDF->pixmap().isNull());

            EXPECT_EQ(w.cmdOK->text(), QStringLiteral("OK"));
            EXPECT_EQ(QApplication::focusWidget(), w.cmdOK) << "OK comes first";
            EXPECT_EQ(w.lblPDF->text(), QStringLiteral("Visualizza guida in formato PDF"));
            EXPECT_TRUE(w.lblPDF->font().underline());
            EXPECT_EQ(linkColour(w), kWhite);
            EXPECT_EQ(w.lblPDF->cursor().shape(), Qt::PointingHandCursor);
            EXPECT_EQ(w.imgPDF->cursor().shape(), Qt::PointingHandCursor);

            // White text: on black in the title, on navy in the text box.
            EXPECT_EQ(w.panTitle->palette().color(QPalette::Window), QColor(0, 0, 0));
            EXPECT_EQ(w.panTitle->palette().color(QPalette::WindowText), kWhite);
            EXPECT_EQ(w.memTopic->palette().color(QPalette::Base), QColor(0, 0, 0x80));
            EXPECT_EQ(w.memTopic->palette().color(QPalette::Text), kWhite);
            EXPECT_EQ(w.palette().color(QPalette::Window), QColor(0, 0, 0x80));

            EXPECT_TRUE(w.memTopic->isReadOnly());
            EXPECT_EQ(w.memTopic->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
            EXPECT_TRUE(w.memTopic->verticalScrollBar()->isVisible());
            EXPECT_EQ(w.memTopic->frameShape(), QFrame::NoFrame);
        }));
}

TEST_F(HelpTest, EachGuideCommandShowsItsTopicAndOnlyThat)
{
    struct Case
    {
        QWidget* control;
        const HelpTopic& topic;
    };
    // The overview comes from the side column, the cards topic from the command column, by its
    // picture and its label alike; each opening replaces what the one before showed.
    const Case cases[] = {
        {mainWindow().imgGuida, overviewTopic()},
        {mainWindow().cmdGuida, cardsTopic()},
        {mainWindow().imgGuida, overviewTopic()},
        {mainWindow().lblGuida, cardsTopic()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control->objectName().toStdString());
        EXPECT_TRUE(whileOpen([&] { clickOn(c.control, Qt::LeftButton); },
                              [&](TfrmHelpForm& w) {
                                  EXPECT_EQ(w.panTitle->text(), c.topic.title);
                                  EXPECT_EQ(w.topicText(), c.topic.text());
                                  // Shown as lines: an empty line between paragraphs.
                                  EXPECT_EQ(w.memTopic->toPlainText(),
                                            c.topic.paragraphs.join(QStringLiteral("\n\n")));
                                  EXPECT_EQ(w.memTopic->verticalScrollBar()->value(), 0);
                                  EXPECT_EQ(w.memTopic->textCursor().position(), 0);
                              }));
        EXPECT_FALSE(help().isVisible());
    }
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(HelpTest, TheTopicsAreTitledParagraphsSeparatedByEmptyLines)
{
    struct Case
    {
        const HelpTopic& topic;
        const char* title;
        qsizetype paragraphs;
    };
    const Case cases[] = {
        {overviewTopic(), "Uno sguardo a Velarium 2.0", 10},
        {cardsTopic(), "Gestione delle schede dei file criptati", 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(c.topic.title, QString::fromUtf8(c.title));
        const QString text = c.topic.text();
        const QStringList split = text.split(QStringLiteral("\r\n\r\n"));
        EXPECT_EQ(split.size(), c.paragraphs);
        for (const QString& paragraph : split) {
            EXPECT_FALSE(paragraph.trimmed().isEmpty());
            EXPECT_EQ(paragraph, paragraph.trimmed());
            EXPECT_FALSE(paragraph.contains(QLatin1Char('\r')) ||
                         paragraph.contains(QLatin1Char('\n')));
        }
    }
}

TEST_F(HelpTest, TheTextScrollsButCannotBeEditedAndStartsAtItsTopEachTime)
{
    ASSERT_TRUE(whileOpen([&] { mainWindow().imgGuidaClick(); },
                          [](TfrmHelpForm& w) {
                              QScrollBar* bar = w.memTopic->verticalScrollBar();
                              ASSERT_GT(bar->maximum(), 0) << "the overview is longer than the box";
                              w.memTopic->setFocus();
                              QTest::keyClick(w.memTopic, Qt::Key_End, Qt::ControlModifier);
                              EXPECT_EQ(bar->value(), bar->maximum());
                              const QString before = w.memTopic->toPlainText();
                              QTest::keyClicks(w.memTopic, QStringLiteral("abc"));
                              QTest::keyClick(w.memTopic, Qt::Key_Backspace);
                              QTest::keyClick(w.memTopic, Qt::Key_Return);
                              EXPECT_EQ(w.memTopic->toPlainText(), before);
                          }));
    ASSERT_TRUE(
        whileOpen([&] { mainWindow().imgGuidaClick(); },
                  [](TfrmHelpForm& w) { EXPECT_EQ(w.memTopic->verticalScrollBar()->value(), 0); }));
}

TEST_F(HelpTest, OkAndTheCloseIconEndTheWindowWithTheCancelResult)
{
    ASSERT_TRUE(whileOpen([&] { mainWindow().cmdGuidaClick(); },
                          [](TfrmHelpForm& w) {
                              w.setResult(QDialog::Accepted);
                              clickOn(w.cmdOK, Qt::LeftButton);
                              EXPECT_FALSE(w.isVisible());
                          }));
    EXPECT_EQ(help().result(), QDialog::Rejected);

    ASSERT_TRUE(whileOpen([&] { mainWindow().cmdGuidaClick(); },
                          [](TfrmHelpForm& w) {
                              w.setResult(QDialog::Accepted);
                              w.close();
                              EXPECT_FALSE(w.isVisible());
                          }));
    EXPECT_EQ(help().result(), QDialog::Rejected);
    // The window is kept for the next opening, with its last topic.
    EXPECT_EQ(help().panTitle->text(), cardsTopic().title);
}

TEST_F(HelpTest, ReleasingAnyButtonOverThePdfLinkOpensTheGuideBesideTheProgram)
{
    ASSERT_TRUE(whileOpen([&] { mainWindow().imgGuidaClick(); },
                          [&](TfrmHelpForm& w) {
                              clickOn(w.imgPDF, Qt::LeftButton);
                              clickOn(w.lblPDF, Qt::RightButton);
                              clickOn(w.lblPDF, Qt::MiddleButton);
                              EXPECT_EQ(ui.shell,
                                        std::vector(3, test::defaultActionOn(guidePath())));
                              EXPECT_EQ(ui.busyCount, 3)
                                  << "the hourglass is up while the desktop opens it";
                              EXPECT_EQ(ui.busyDepth, 0) << "and down again afterwards";

                              // A press on the link let go elsewhere opens nothing; nor does a
                              // click elsewhere.
                              QWidget* window = w.lblPDF->window();
                              QTest::mousePress(window->windowHandle(), Qt::LeftButton, {},
                                                w.lblPDF->mapTo(window, w.lblPDF->rect().center()));
                              QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {},
                                                  w.cmdOK->mapTo(window, w.cmdOK->rect().center()));
                              clickOn(w.panTitle, Qt::LeftButton);
                              EXPECT_EQ(ui.shell.size(), 3u);

                              // With no Guida.pdf there, nothing is said and the window stays as it
                              // was.
                              EXPECT_TRUE(w.isVisible());
                              EXPECT_EQ(w.panTitle->text(), overviewTopic().title);
                          }));
    EXPECT_FALSE(std::filesystem::exists(program / "Guida.pdf"));
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(HelpTest, ThePdfLinkTurnsRedUnderTheMouseAndWhiteOverTheBackgroundOrTheText)
{
    ASSERT_TRUE(whileOpen([&] { mainWindow().cmdGuidaClick(); },
                          [&](TfrmHelpForm& w) {
                              // Where the window shows its bare background: left of the banner.
                              const QPoint background(w.imgLogo->geometry().left() / 2,
                                                      w.imgLogo->geometry().center().y());
                              ASSERT_EQ(w.childAt(background), nullptr);

                              struct Step
                              {
                                  const char* where;
                                  std::function<void()> move;
                                  QColor expected;
                              };
                              const Step steps[] = {
                                  {"picture", [&] { moveOver(w.imgPDF); }, kRed},
                                  {"background",
                                   [&] { QTest::mouseMove(w.windowHandle(), background); }, kWhite},
                                  {"label", [&] { moveOver(w.lblPDF); }, kRed},
                                  // The other controls leave the colour as it is.
                                  {"title", [&] { moveOver(w.panTitle); }, kRed},
                                  {"button", [&] { moveOver(w.cmdOK); }, kRed},
                                  {"banner", [&] { moveOver(w.imgLogo); }, kRed},
                                  {"text", [&] { moveOver(w.memTopic->viewport()); }, kWhite},
                                  {"label again",
                                   [&] {
                                       moveOver(w.lblPDF, {2, 2});
                                   },
                                   kRed},
                                  {"text again",
                                   [&] {
                                       moveOver(w.memTopic->viewport(), {10, 10});
                                   },
                                   kWhite},
                              };
                              for (const Step& step : steps) {
                                  step.move();
                                  EXPECT_EQ(linkColour(w), step.expected) << step.where;
                              }
                          }));
    EXPECT_TRUE(ui.shell.empty()) << "hovering opens nothing";
}

TEST_F(HelpTest, AnyOpenerCanSetATopicOfItsOwn)
{
    const HelpTopic own{
        QStringLiteral("Un altro argomento"),
        {QStringLiteral("Primo."), QStringLiteral("Secondo."), QStringLiteral("Terzo.")}};
    help().setTopic(own);
    ui.runModal(help());
    EXPECT_EQ(help().panTitle->text(), own.title);
    EXPECT_EQ(help().topicText(), QStringLiteral("Primo.\r\n\r\nSecondo.\r\n\r\nTerzo."));
    EXPECT_EQ(help().memTopic->toPlainText(), QStringLiteral("Primo.\n\nSecondo.\n\nTerzo."));
}

TEST(MainWindowNavigation, EachCommandAsksForItsWindowAndEachGuideForItsOwnTopic)
{
    TempFolder program;
    ScriptedUi ui;
    RecordingNavigator navigator;
    TfrmEncrypt_Decrypt window(AppContext{program.path(), ui}, navigator);
    for (QWidget* control : std::initializer_list<QWidget*>{
             window.cmdGuida, window.imgGuida, window.imgInfo, window.imgCopyright, window.cmdCerca,
             window.cmdEsporta, window.imgBackup}) {
        QTest::mouseClick(control, Qt::LeftButton);
    }
    const std::vector<std::string> expected{"help: " + cardsTopic().title.toStdString(),
                                            "help: " + overviewTopic().title.toStdString(),
                                            "about",
                                            "splash",
                                            "search",
                                            "export",
                                            "backup"};
    EXPECT_EQ(navigator.shown, expected);
    EXPECT_TRUE(ui.shown.empty());
}

} // namespace
