#pragma once

#include <QFrame>
#include <QLabel>
#include <QLineEdit>

// Small building blocks of the program's fixed-layout windows.
namespace velarium {

// A picture or caption that acts as a command: hand pointer, and a click when the left button
// is released over it.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Gives a child control its name, which tests and the other windows use to find it.
template <typename Control> Control* named(Control* control, const char* name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// A panel: a plain frame with a solid background colour.
QFrame* makePanel(QWidget* parent, const char* name, const QColor& colour, const QRect& geometry);
// A framing bevel (a sunken box) or, with a height of 2, a horizontal line.
QFrame* makeBevel(QWidget* parent, const char* name, const QRect& geometry);
// A picture from the program's resources, at its own size.
QLabel* makePicture(QWidget* parent, const char* name, const QString& resource, QPoint at);
ClickLabel* makeClickPicture(QWidget* parent, const char* name, const QString& resource, QPoint at);

void setBackground(QWidget* widget, const QColor& colour);

} // namespace velarium
