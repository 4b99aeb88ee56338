// The splash window on its own and among the program's windows: its look, the animation that
// runs whether it is shown or not, the frame it paints and the click that leads to the maker's
// web site.
#include "ScriptedUi.h"
#include "TempFolder.h"
#include "app/Forms.h"
#include "guide/Contacts.h"
#include "guide/Splash.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

using namespace velarium;
using velarium::test::ScriptedUi;
using velarium::test::TempFolder;

namespace {

class SplashTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        splash = std::make_unique<TfrmSplash>(AppContext{program.path(), ui},
                                              std::make_unique<SeededRandom>(2024));
    }

    std::vector<std::pair<int, int>> places() const
    {
        std::vector<std::pair<int, int>> list;
        for (const SplashSprite& sprite : splash->animation().Sprites()) {
            list.emplace_back(sprite.X, sprite.Y);
        }
        return list;
    }

    // Shows the splash as the copyright button does, and runs `drive` while it is up.
    void whileShown(const std::function<void(TfrmSplash&)>& drive)
    {
        bool shown = false;
        ui.onModal = [&](QDialog& dialog) {
            shown = true;
            ASSERT_EQ(&dialog, splash.get());
            drive(*splash);
        };
        ui.runModal(*splash);
        ui.onModal = nullptr;
        ASSERT_TRUE(shown);
    }

    TempFolder program;
    ScriptedUi ui;
    std::unique_ptr<TfrmSplash> splash;
};

TEST_F(SplashTest, TheWindowIsAsDesigned)
{
    TfrmSplash& w = *splash;
    EXPECT_EQ(w.objectName(), QStringLiteral("frmSplash"));
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral(" Velarium 2.0")));
    EXPECT_TRUE(w.windowTitle().contains(QStringLiteral("Copyright")));
    EXPECT_EQ(w.size(), QSize(600, 368));
    EXPECT_EQ(w.minimumSize(), w.maximumSize()) << "fixed size";
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(w.toolTip(), QStringLiteral("  Visita il sito Internet dell'autore "));
    EXPECT_EQ(w.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(Qt::black));

    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("BackImage")), w.BackImage);
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("SpriteImage")), w.SpriteImage);
    EXPECT_EQ(w.findChild<QTimer*>(QStringLiteral("Timer1")), w.Timer1);
    EXPECT_TRUE(w.BackImage->isHidden());
    EXPECT_TRUE(w.SpriteImage->isHidden());
    EXPECT_EQ(w.BackImage->toolTip(), w.toolTip());
    EXPECT_EQ(w.BackImage->pixmap().size(), QSize(597, 362));
    EXPECT_EQ(w.SpriteImage->pixmap().size(), QSize(108, 60));

    EXPECT_EQ(w.Timer1->interval(), 50);
    EXPECT_TRUE(w.Timer1->isActive()) << "from creation, before any showing";
}

TEST_F(SplashTest, TheSceneIsBuiltFromTheTwoPictures)
{
    const SplashAnimation& scene = splash->animation();
    EXPECT_EQ(scene.BackWidth(), 597);
    EXPECT_EQ(scene.BackHeight(), 362);
    EXPECT_EQ(scene.MaxDepth(), 362);
    EXPECT_EQ(scene.SpriteWidth(), 108);
    EXPECT_EQ(scene.SpriteHeight(), 60);
    EXPECT_EQ(scene.TransparentColor(), (Rgb{0, 0, 255})) << "the flag's bottom-left pixel";
    EXPECT_EQ(scene.SpriteSource().pixelFormat(), TImageArray::PixelFormat::Bits24);

    const QImage back = splash->BackImage->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(imageView(scene.Background()).convertToFormat(QImage::Format_RGB32), back);
    const QImage flag =
        splash->SpriteImage->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    for (const QPoint at : {QPoint(0, 0), QPoint(54, 30), QPoint(107, 59), QPoint(20, 40)}) {
        const Rgb held = scene.SpriteSource().colourAt(at.x(), at.y());
        EXPECT_EQ(qRgb(held.red, held.green, held.blue), flag.pixel(at)) << at.x() << "," << at.y();
    }
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(SplashTest, PicturesPassToTheDrawingCodeWithTheirDepth)
{
    QImage indexed(5, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
    indexed.fill(1);
    indexed.setPixel(0, 1, 0);
    const Bitmap eight = toBitmap(indexed);
    EXPECT_EQ(eight.bitsPerPixel, 8);
    EXPECT_EQ(eight.palette, (std::vector<Rgb>{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(eight.colourAt(0, 1), (Rgb{1, 2, 3}));
    EXPECT_EQ(eight.colourAt(4, 0), (Rgb{4, 5, 6}));

    QImage colour(3, 2, QImage::Format_RGB32);
    colour.fill(qRgb(10, 20, 30));
    colour.setPixel(2, 1, qRgb(200, 100, 50));
    const Bitmap twentyFour = toBitmap(colour);
    EXPECT_EQ(twentyFour.bitsPerPixel, 24);
    EXPECT_EQ(twentyFour.colourAt(2, 1), (Rgb{200, 100, 50}));
    EXPECT_EQ(imageView(twentyFour).convertToFormat(QImage::Format_RGB32), colour);

    // Pictures the store refuses keep a depth of their own.
    EXPECT_EQ(toBitmap(QImage(4, 4, QImage::Format_ARGB32)).bitsPerPixel, 32);
    EXPECT_EQ(toBitmap(QImage(4, 4, QImage::Format_Mono)).bitsPerPixel, 1);
    EXPECT_EQ(toBitmap(QImage(4, 4, QImage::Format_RGB16)).bitsPerPixel, 16);
}

TEST_F(SplashTest, TheAnimationRunsWhileTheWindowIsHidden)
{
    const auto start = places();
    EXPECT_TRUE(QTest::qWaitFor([&] { return places() != start; }, 5000));
    EXPECT_TRUE(splash->isHidden());
}

TEST_F(SplashTest, ShowingContinuesWhereTheAnimationHasGot)
{
    const auto start = places();
    ASSERT_TRUE(QTest::qWaitFor([&] { return places() != start; }, 5000));
    splash->Timer1->stop(); // held still, to see what showing does
    const auto reached = places();
    whileShown([&](TfrmSplash& w) {
        EXPECT_EQ(places(), reached) << "nothing is reset on showing";
        w.close();
    });
    splash->Timer1->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return places() != reached; }, 5000));
}

TEST_F(SplashTest, TheWindowShowsTheComposedFrame)
{
    // Some way into the animation, so that the frame is a composed one.
    const auto start = places();
    ASSERT_TRUE(QTest::qWaitFor([&] { return places() != start; }, 5000));
    whileShown([&](TfrmSplash& w) {
        const QImage shown = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage frame =
            imageView(w.animation().BackBuffer()).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), QSize(600, 368));
        EXPECT_EQ(shown.copy(0, 0, 597, 362), frame);
        // The strips the picture leaves free are the window's black.
        EXPECT_EQ(shown.pixel(599, 100), qRgb(0, 0, 0));
        EXPECT_EQ(shown.pixel(100, 367), qRgb(0, 0, 0));
        w.close();
    });
}

TEST_F(SplashTest, AClickAnywhereOpensTheWebSiteAndCloses)
{
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(button);
        ui.shell.clear();
        ui.busyCount = 0;
        whileShown([&](TfrmSplash& w) {
            QTest::mouseClick(w.windowHandle(), button, {}, QPoint(598, 366));
            EXPECT_FALSE(w.isVisible());
        });
        EXPECT_EQ(ui.shell, std::vector{test::webSiteVisit(kMakerWebSite)});
        EXPECT_TRUE(std::string(kMakerWebSite).starts_with("http://"));
        EXPECT_EQ(ui.busyCount, 1) << "the hourglass while the browser starts";
        EXPECT_EQ(ui.busyDepth, 0);
        EXPECT_FALSE(splash->isVisible());
    }
    EXPECT_TRUE(splash->Timer1->isActive()) << "closing does not stop the animation";
}

TEST_F(SplashTest, AWebSiteThatWillNotOpenIsNotReported)
{
    ui.shellResult = 31; // no browser
    whileShown([&](TfrmSplash& w) {
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, QPoint(300, 180));
    });
    EXPECT_EQ(ui.shell.size(), 1u);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_FALSE(splash->isVisible());
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST(SplashAmongTheWindows, IsMadeAtStartAndAnimatesHidden)
{
    TempFolder program;
    ScriptedUi ui;
    Forms forms(AppContext{program.path(), ui});
    ASSERT_NE(forms.frmSplash, nullptr);
    EXPECT_TRUE(forms.frmSplash->isHidden());
    EXPECT_TRUE(forms.frmSplash->Timer1->isActive());
}

} // namespace
