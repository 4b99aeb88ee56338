#pragma once

#include "app/Look.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <functional>

// Small building blocks of the program's fixed-layout windows.
namespace velarium {

// A picture or caption that acts as a command: hand pointer; a click when the left button is
// released over it, a mouse-up for any button; and every movement of the mouse over it.
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent);

signals:
    void clicked();
    void mouseUp();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Calls `moved` whenever the mouse moves over the widget, buttons pressed or not. The move is
// the widget's alone: its parents do not see it.
void onMouseMove(QWidget* widget, std::function<void()> moved);

// A fixed dialog border with the close icon only.
inline constexpr Qt::WindowFlags kDialogWindowFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint;

// Routes an edit field's focus and key events to its window's handlers: `enter` when the field
// gets the focus, `exit` when it loses it, `keyPress` for every key pressed in it (true when the
// handler took the key, which the field then never sees). Any of them may be empty.
struct FieldHandlers
{
    std::function<void()> enter;
    std::function<void()> exit;
    std::function<bool(QKeyEvent*)> keyPress;
};
void watchField(QLineEdit* field, FieldHandlers handlers);

// Whether a key is Enter (character 13), on either keyboard block.
bool isEnterKey(const QKeyEvent* key);

// A frame drawn over other controls must not take their clicks: they reach what lies under it.
void letClicksThrough(QFrame* frame);

void setBackground(QWidget* widget, const QColor& colour);
// The colour of a caption's text, in every state of its window.
void setCaptionColour(QWidget* caption, const QColor& colour);

// A face given by its height in pixels, which a form cannot hold: such captions keep their size
// on any screen density.
QFont fontInPixels(const QString& family, int pixels);

// The light scheme the windows were drawn for, whatever the desktop's: black text on the fixed
// light backgrounds, white fields, grey button faces. A dark desktop scheme would otherwise
// colour the text near-white on white. For a window, before its controls take colours of their
// own; QApplication::setPalette(lightScheme()) gives Qt's own dialogs the same.
QPalette lightScheme();
void keepLightScheme(QWidget* window);

// What a screen reader says of a control that shows no text of its own (a picture that acts as
// a command, a field beside its caption): the visible caption or the hint, without the blanks
// and the colon around it.
void nameForScreenReaders(QWidget* control, const QString& name,
                          const QString& description = QString());

// What a password field (its echo mode set by its form) needs besides: the dots in a bold font
// of the given pixel height, white, refusing characters the code page cannot hold.
void preparePasswordField(QLineEdit* field, int pixelSize);

// Whether a show event makes the window visible (the program showed it), rather than the window
// system showing it again after a minimise, a desktop switch or a restore: only the first kind
// runs a window's show handler, so that restoring a window keeps what it holds.
inline bool becameVisible(const QShowEvent* event)
{
    return !event->spontaneous();
}

// Places a window in the middle of the desktop.
void centreOnScreen(QWidget* window);

// Makes a window visible and brings it to the front.
void showInFront(QWidget* window);

} // namespace velarium
