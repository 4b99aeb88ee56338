// Every window on a desktop whose colours differ from a plain light one: a dark scheme must not
// turn text on the windows' fixed light backgrounds white, and a screen reader must find a name
// for every control a person can use.
#include "EveryWindow.h"
#include "app/CambiaPassword.h"
#include "app/Forms.h"
#include "app/LongWork.h"
#include "app/Password.h"
#include "archive/BakContatti.h"
#include "archive/CercaAcq.h"
#include "archive/EsportaMat.h"
#include "guide/HelpForm.h"
#include "guide/Info.h"
#include "guide/Splash.h"
#include "main/Encrypt_Decrypt.h"
#include "platform/DesktopUi.h"
#include "platform/QtText.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <QToolTip>
#include <cmath>
#include <gtest/gtest.h>

namespace velarium {
namespace {

// WCAG's relative luminance and contrast ratio.
double luminance(const QColor& colour)
{
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What a dark desktop scheme hands every program.
QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2a, 0x2e, 0x32));
    dark.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Base, QColor(0x1b, 0x1e, 0x20));
    dark.setColor(QPalette::AlternateBase, QColor(0x23, 0x26, 0x29));
    dark.setColor(QPalette::Text, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::Button, QColor(0x31, 0x36, 0x3b));
    dark.setColor(QPalette::ButtonText, QColor(0xfc, 0xfc, 0xfc));
    dark.setColor(QPalette::PlaceholderText, QColor(0xa0, 0xa0, 0xa0));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    dark.setColor(QPalette::HighlightedText, QColor(0xfc, 0xfc, 0xfc));
    return dark;
}

// The colour behind a widget: its own when it paints its background, else its nearest
// ancestor's that does.
QColor backgroundBehind(const QWidget* widget)
{
    for (const QWidget* at = widget; at; at = at->parentWidget()) {
        if (at->autoFillBackground() || at->isWindow()) {
            return at->palette().color(at->backgroundRole());
        }
    }
    return widget->palette().color(QPalette::Window);
}

struct TextColours
{
    QColor text, background;
};

// The text a widget shows and what it shows it on; nothing for a widget without text.
std::optional<TextColours> textColours(const QWidget* widget)
{
    const QPalette& palette = widget->palette();
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->text().trimmed().isEmpty()) {
            return std::nullopt;
        }
        return TextColours{palette.color(label->foregroundRole()), backgroundBehind(label)};
    }
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
        qobject_cast<const QPlainTextEdit*>(widget) ||
        qobject_cast<const QAbstractItemView*>(widget)) {
        return TextColours{palette.color(QPalette::Text), palette.color(QPalette::Base)};
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        if (button->text().isEmpty()) {
            return std::nullopt;
        }
        return TextColours{palette.color(QPalette::ButtonText), palette.color(QPalette::Button)};
    }
    return std::nullopt;
}

class ReadabilityTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved_ = QApplication::palette();
        QApplication::setPalette(darkPalette());
        all_ = std::make_unique<test::EveryWindow>();
        progress_ = std::make_unique<ProgressDialog>(nullptr, QStringLiteral("Lavoro"),
                                                     QStringLiteral("file.txt"), work_);
    }
    void TearDown() override
    {
        progress_.reset();
        all_.reset();
        QApplication::setPalette(saved_);
    }

    std::vector<QWidget*> windows() const
    {
        std::vector<QWidget*> windows = all_->windows();
        windows.push_back(progress_.get());
        return windows;
    }

    struct NoWork final : platform::Progress
    {
        void advanced(std::uint64_t, std::uint64_t) override {}
    } work_;
    QPalette saved_;
    // Made after the dark palette is in place, so that every window meets it.
    std::unique_ptr<test::EveryWindow> all_;
    std::unique_ptr<ProgressDialog> progress_;
};

// Colours the windows' design names itself, below 4.5:1 on any desktop: the grey of the path
// (a field nothing is typed in) and the red of the restore warning. They stay as designed.
bool designedColour(const QWidget* widget)
{
    static const QStringList designed = {QStringLiteral("txtFile"), QStringLiteral("Label6"),
                                         QStringLiteral("Label7")};
    return designed.contains(widget->objectName());
}

TEST_F(ReadabilityTest, TextOnTheWindowsFixedBackgroundsStaysReadableUnderADarkScheme)
{
    for (QWidget* window : windows()) {
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            const auto colours = textColours(widget);
            // A control that cannot be used now is exempt, as the guidelines have it.
            if (!colours || !widget->isEnabled()) {
                continue;
            }
            if (designedColour(widget)) {
                // Still the designed colour, not the desktop's.
                EXPECT_LT(colours->text.lightness(), 160) << widget->objectName().toStdString();
                continue;
            }
            EXPECT_GE(contrast(colours->text, colours->background), 4.5)
                << window->objectName().toStdString() << "/" << widget->objectName().toStdString()
                << ": " << colours->text.name().toStdString() << " on "
                << colours->background.name().toStdString();
        }
    }
}

TEST_F(ReadabilityTest, EveryControlAPersonCanUseHasANameForScreenReaders)
{
    for (QWidget* window : windows()) {
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            const bool usable = widget->focusPolicy() != Qt::NoFocus ||
                                widget->cursor().shape() == Qt::PointingHandCursor;
            if (!usable || !widget->isEnabled() || widget->isHidden()) {
                continue;
            }
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(accessible, nullptr) << widget->objectName().toStdString();
            EXPECT_FALSE(accessible->text(QAccessible::Name).trimmed().isEmpty())
                << window->objectName().toStdString() << "/" << widget->objectName().toStdString();
        }
    }
}

// Types any characters, as an input method delivers them.
void typeText(QWidget* widget, const QString& text)
{
    for (const char32_t code : text.toUcs4()) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                        QString::fromUcs4(&code, 1));
        QApplication::sendEvent(widget, &press);
    }
}

TEST_F(ReadabilityTest, ACharacterTheArchiveCannotHoldIsNamedOncePerEdit)
{
    TfrmEncrypt_Decrypt& window = *all_->forms->frmEncrypt_Decrypt;
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QLineEdit* field = window.txtDescrizione;
    field->setFocus();
    typeText(field, QStringLiteral("Łódź ✓"));
    EXPECT_EQ(field->text(), QStringLiteral("ód "));
    EXPECT_EQ(QToolTip::text(), AnsiValidator::refusalText(QStringLiteral("Ł")));
    EXPECT_EQ(QToolTip::text(),
              QStringLiteral("Il carattere «Ł» non può essere conservato: l'archivio registra "
                             "soltanto i caratteri dell'alfabeto latino (codifica "
                             "Windows-1252)."));

    // The next edit of the field is told again.
    QToolTip::hideText();
    window.txtPassword->setFocus();
    field->setFocus();
    typeText(field, QStringLiteral("✓"));
    EXPECT_EQ(QToolTip::text(), AnsiValidator::refusalText(QStringLiteral("✓")));
    EXPECT_EQ(field->text(), QStringLiteral("ód "));
}

TEST(BoxTitles, ABoxIsAtLeastAsWideAsItsTitleNeeds)
{
    for (const QString& title : {QStringLiteral("Salvataggio scheda effettuato con successo"),
                                 QStringLiteral("Conferma operazione di stampa")}) {
        QMessageBox box(QMessageBox::Information, title, QStringLiteral("Fatto."), QMessageBox::Ok);
        fitToTitle(box);
        box.show();
        QFont bold = QApplication::font();
        bold.setBold(true);
        EXPECT_GT(box.width(), QFontMetrics(bold).horizontalAdvance(title) + 100)
            << title.toStdString();
    }
}

} // namespace
} // namespace velarium
