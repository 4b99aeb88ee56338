// The fixed windows as their layouts place them, whoever wrote the geometry: each window keeps
// its designed size, each control lies whole inside what holds it, and each picture is shown
// whole at its own size, unless it is meant to be shrunk to its place.
#include "EveryWindow.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace velarium {
namespace {

class FixedWindowsTest : public ::testing::Test
{
protected:
    std::vector<QWidget*> windows() const { return all_.windows(); }

    // The controls the window's layout places by name; the parts Qt builds inside a control
    // (viewports, scroll bars, headers) are placed by the control itself.
    static QList<QWidget*> placedControls(const QWidget* window)
    {
        QList<QWidget*> controls = window->findChildren<QWidget*>();
        controls.removeIf([](const QWidget* control) {
            return control->objectName().isEmpty() ||
                   control->objectName().startsWith(QStringLiteral("qt_"));
        });
        return controls;
    }

    static std::string text(QSize size)
    {
        return std::to_string(size.width()) + "x" + std::to_string(size.height());
    }

    static std::string where(const QWidget* control)
    {
        return (control->window()->objectName() + QLatin1Char('/') + control->objectName())
            .toStdString();
    }

private:
    test::EveryWindow all_;
};

TEST_F(FixedWindowsTest, EachWindowKeepsItsDesignedSizeAndCannotBeResized)
{
    for (const QWidget* window : windows()) {
        SCOPED_TRACE(window->objectName().toStdString());
        EXPECT_FALSE(window->size().isEmpty());
        EXPECT_EQ(text(window->minimumSize()), text(window->size()));
        EXPECT_EQ(text(window->maximumSize()), text(window->size()));
    }
}

TEST_F(FixedWindowsTest, EveryControlLiesWholeInsideWhatHoldsIt)
{
    for (const QWidget* window : windows()) {
        for (const QWidget* control : placedControls(window)) {
            EXPECT_TRUE(control->parentWidget()->rect().contains(control->geometry()))
                << where(control) << " at " << control->x() << "," << control->y() << ", "
                << text(control->size()) << " in " << text(control->parentWidget()->size());
        }
    }
}

TEST_F(FixedWindowsTest, EveryPictureIsShownWholeAtItsOwnSizeUnlessShrunkToItsPlace)
{
    int pictures = 0;
    for (const QWidget* window : windows()) {
        for (const QWidget* control : placedControls(window)) {
            const auto* picture = qobject_cast<const QLabel*>(control);
            if (!picture || picture->pixmap().isNull() || picture->hasScaledContents()) {
                continue;
            }
            ++pictures;
            EXPECT_EQ(text(picture->size()),
                      text(picture->pixmap().deviceIndependentSize().toSize()))
                << where(picture);
        }
    }
    // The search window's own pictures and the others' are all among them.
    EXPECT_GE(pictures, 20);
}

} // namespace
} // namespace velarium
