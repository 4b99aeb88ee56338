#include "app/Controls.h"

#include <QMouseEvent>

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
