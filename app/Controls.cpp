#include "app/Controls.h"

#include "app/QtText.h"

#include <QKeyEvent>
#include <QMouseEvent>
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
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

namespace {

class FieldWatcher final : public QObject
{
public:
    FieldWatcher(QLineEdit* field, FieldHandlers handlers)
        : QObject(field), handlers_(std::move(handlers))
    {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::FocusIn:
            if (handlers_.enter) {
                handlers_.enter();
            }
            break;
        case QEvent::FocusOut:
            if (handlers_.exit) {
                handlers_.exit();
            }
            break;
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
    FieldHandlers handlers_;
};

} // namespace

void watchField(QLineEdit* field, FieldHandlers handlers)
{
    new FieldWatcher(field, std::move(handlers));
}

bool isEnterKey(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFrame* makePanel(QWidget* parent, const char* name, const QColor& colour, const QRect& geometry)
{
    auto* panel = named(new QFrame(parent), name);
    panel->setGeometry(geometry);
    setBackground(panel, colour);
    return panel;
}

QFrame* makeBevel(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* bevel = named(new QFrame(parent), name);
    bevel->setFrameStyle(geometry.height() <= 2 ? QFrame::HLine | QFrame::Sunken
                                                : QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(geometry);
    // A frame drawn over other controls must not take their clicks.
    bevel->setAttribute(Qt::WA_TransparentForMouseEvents);
    return bevel;
}

namespace {

template <typename Picture>
Picture* placePicture(Picture* picture, const char* name, const QString& resource, QPoint at)
{
    named(picture, name);
    const QPixmap pixmap(resource);
    picture->setPixmap(pixmap);
    picture->setGeometry(QRect(at, pixmap.isNull() ? QSize(32, 32) : pixmap.size()));
    return picture;
}

} // namespace

QLabel* makePicture(QWidget* parent, const char* name, const QString& resource, QPoint at)
{
    return placePicture(new QLabel(parent), name, resource, at);
}

ClickLabel* makeClickPicture(QWidget* parent, const char* name, const QString& resource, QPoint at)
{
    return placePicture(new ClickLabel(parent), name, resource, at);
}

} // namespace velarium

namespace velarium {

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption,
                        const QRect& geometry)
{
    auto* button = named(new QPushButton(QString::fromUtf8(caption), parent), name);
    button->setGeometry(geometry);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

void makePasswordField(QLineEdit* field, int pixelSize)
{
    field->setEchoMode(QLineEdit::Password);
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
