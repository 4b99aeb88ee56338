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
