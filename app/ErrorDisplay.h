#pragma once

#include "platform/UiServices.h"

#include <QString>
#include <exception>

namespace velarium {

// The one message of the card commands for any archive error; its paragraphs are separated by
// LF CR LF CR, unlike the other messages.
extern const QString kArchiveAccessMessage;

// The application's general error display, for failures that no command reports with a message
// of its own: the error's own text, in the error box.
void reportUnguardedError(UiServices& ui, const std::exception& error);

// The last resort around the delivery of one event, for a failure that no command reports
// itself: its cause goes to the log and its text to the general error display (when `ui` is
// set), instead of the end of the program; the event then counts as not handled.
void reportEscapedError(UiServices* ui, const std::exception& error);
template <typename Deliver> bool deliverGuarded(UiServices* ui, Deliver deliver)
{
    try {
        return deliver();
    } catch (const std::exception& error) {
        reportEscapedError(ui, error);
        return false;
    }
}

// Runs work whose failures go to the general error display.
template <typename Work> void runUnguarded(UiServices& ui, Work work)
{
    try {
        work();
    } catch (const std::exception& error) {
        reportUnguardedError(ui, error);
    }
}

} // namespace velarium
