#include "app/Controls.h"

#include "platform/QtText.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace velarium {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (!rect().contains(event->position().toPoint())) {
        return;
    }
    if (event->button() == Qt::LeftButton) {
        emit clicked();
    }
    emit mouseUp();
}

namespace {

// The handlers belong to the window that holds the widget. While that window is being
// destroyed its own part is already gone, yet the toolkit still sends focus and mouse events
// (closing a window moves the focus): those must not reach it. A window under destruction
// answers with its base class's meta-object, which tells the two apart.
class WindowHandlers
{
public:
    explicit WindowHandlers(QWidget* widget)
        : window_(widget->window()), type_(widget->window()->metaObject())
    {
    }

    bool windowAlive() const { return window_ && window_->metaObject() == type_; }

private:
    QPointer<QWidget> window_;
    const QMetaObject* type_;
};

// The colours follow the field getting and losing the focus within its window, as the user
// moves it. A window losing activation (a message box coming up, another program in front)
// takes the keyboard away without moving the focus, and must not repaint the field; the field
// is still its window's focus when the window comes back.
class FieldWatcher final : public QObject
{
public:
    FieldWatcher(QLineEdit* field, FieldHandlers handlers)
        : QObject(field), field_(field), owner_(field), handlers_(std::move(handlers))
    {
        field->installEventFilter(this);
        field->window()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!owner_.windowAlive()) {
            return false;
        }
        if (watched != field_) {
            // The focus may move while the window is inactive (a window hidden and shown again
            // puts it into its first field): the field no longer holding it has been left.
            if (event->type() == QEvent::WindowActivate &&
                field_->window()->focusWidget() != field_) {
                leave();
            }
            return false;
        }
        switch (event->type()) {
        case QEvent::FocusIn:
            if (!entered_) {
                entered_ = true;
                if (handlers_.enter) {
                    handlers_.enter();
                }
            }
            break;
        case QEvent::FocusOut: {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            const bool windowOnly =
                reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
            if (!windowOnly || field_->window()->focusWidget() != field_) {
                leave();
            }
            break;
        }
        case QEvent::KeyPress:
            if (handlers_.keyPress) {
                return handlers_.keyPress(static_cast<QKeyEvent*>(event));
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    void leave()
    {
        if (entered_) {
            entered_ = false;
            if (handlers_.exit) {
                handlers_.exit();
            }
        }
    }

    QLineEdit* field_;
    WindowHandlers owner_;
    FieldHandlers handlers_;
    bool entered_ = false;
};

class MoveWatcher final : public QObject
{
public:
    MoveWatcher(QWidget* widget, std::function<void()> moved)
        : QObject(widget), owner_(widget), moved_(std::move(moved))
    {
        widget->setMouseTracking(true);
        // A move over this widget is this widget's: handed on to the parent, it would run the
        // parent's reaction too, and a command's hint would be cleared by the panel under it.
        widget->setAttribute(Qt::WA_NoMousePropagation);
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove && owner_.windowAlive()) {
            moved_();
        }
        return false;
    }

private:
    WindowHandlers owner_;
    std::function<void()> moved_;
};

} // namespace

void onMouseMove(QWidget* widget, std::function<void()> moved)
{
    new MoveWatcher(widget, std::move(moved));
}

void watchField(QLineEdit* field, FieldHandlers handlers)
{
    new FieldWatcher(field, std::move(handlers));
}

bool isEnterKey(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

QPalette lightScheme()
{
    QPalette light;
    const QColor black(Qt::black);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        light.setColor(group, QPalette::Window, kLightGrey);
        light.setColor(group, QPalette::WindowText, black);
        light.setColor(group, QPalette::Base, kWhite);
        light.setColor(group, QPalette::AlternateBase, QColor(0xF5, 0xF5, 0xF5));
        light.setColor(group, QPalette::Text, black);
        light.setColor(group, QPalette::Button, kLightGrey);
        light.setColor(group, QPalette::ButtonText, black);
        light.setColor(group, QPalette::BrightText, kWhite);
        light.setColor(group, QPalette::PlaceholderText, QColor(0x6E, 0x6E, 0x6E));
        light.setColor(group, QPalette::Highlight, QColor(0x30, 0x8C, 0xC6));
        light.setColor(group, QPalette::HighlightedText, kWhite);
        light.setColor(group, QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xDC));
        light.setColor(group, QPalette::ToolTipText, black);
        light.setColor(group, QPalette::Link, QColor(0x00, 0x00, 0xEE));
        light.setColor(group, QPalette::Light, kWhite);
        light.setColor(group, QPalette::Midlight, QColor(0xE3, 0xE3, 0xE3));
        light.setColor(group, QPalette::Mid, QColor(0xA0, 0xA0, 0xA0));
        light.setColor(group, QPalette::Dark, QColor(0x80, 0x80, 0x80));
        light.setColor(group, QPalette::Shadow, QColor(0x69, 0x69, 0x69));
    }
    light.setColor(QPalette::Disabled, QPalette::Window, kLightGrey);
    light.setColor(QPalette::Disabled, QPalette::Base, kLightGrey);
    light.setColor(QPalette::Disabled, QPalette::Button, kLightGrey);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::PlaceholderText}) {
        light.setColor(QPalette::Disabled, role, QColor(0x78, 0x78, 0x78));
    }
    return light;
}

void keepLightScheme(QWidget* window)
{
    window->setPalette(lightScheme());
}

void nameForScreenReaders(QWidget* control, const QString& name, const QString& description)
{
    QString spoken = name.trimmed();
    if (spoken.endsWith(QLatin1Char(':'))) {
        spoken.chop(1);
    }
    control->setAccessibleName(spoken);
    if (!description.isEmpty()) {
        control->setAccessibleDescription(description.trimmed());
    }
}

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFont fontInPixels(const QString& family, int pixels)
{
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

void setCaptionColour(QWidget* caption, const QColor& colour)
{
    QPalette palette = caption->palette();
    palette.setColor(QPalette::WindowText, colour);
    caption->setPalette(palette);
}

void letClicksThrough(QFrame* frame)
{
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void preparePasswordField(QLineEdit* field, int pixelSize)
{
    QFont dots = field->font();
    dots.setPixelSize(pixelSize);
    dots.setBold(true);
    field->setFont(dots);
    field->setValidator(new AnsiValidator(field));
    setBackground(field, kWhite);
}

void centreOnScreen(QWidget* window)
{
    if (const QScreen* screen = window->screen()) {
        window->move(screen->availableGeometry().center() - window->rect().center());
    }
}

void showInFront(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace velarium
