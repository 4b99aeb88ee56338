// The last resort for failures that escape an event handler: the program goes on, the cause
// goes to the log and the text to the general error display.

#include "ScriptedUi.h"
#include "app/ErrorDisplay.h"
#include "platform/Error.h"

#include <QApplication>
#include <QEvent>
#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::BoxKind;
using velarium::test::ScriptedUi;

namespace {

// An object whose handler fails on the events of one type and takes all the others.
class FailingHandler final : public QObject
{
public:
    static constexpr auto kFailing = static_cast<QEvent::Type>(QEvent::User + 7);

    bool event(QEvent* event) override
    {
        ++handled;
        if (event->type() == kFailing) {
            throw Error("scheda illeggibile");
        }
        return true;
    }

    int handled = 0;
};

bool deliver(UiServices* ui, QObject& receiver, QEvent::Type type)
{
    QEvent event(type);
    return deliverGuarded(ui, [&] { return QApplication::instance()->notify(&receiver, &event); });
}

} // namespace

TEST(LastResortTest, AFailureEscapingAHandlerIsLoggedAndShownAndTheEventIsNotHandled)
{
    ScriptedUi ui;
    FailingHandler receiver;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(deliver(&ui, receiver, FailingHandler::kFailing));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Velarium: Errore non gestito: scheda illeggibile\n");
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Error);
    EXPECT_EQ(ui.shown[0].text, QStringLiteral("scheda illeggibile"));

    // The program goes on: the next event reaches its handler as usual.
    EXPECT_TRUE(deliver(&ui, receiver, QEvent::User));
    EXPECT_EQ(receiver.handled, 2);
    EXPECT_EQ(ui.shown.size(), 1u);
}

TEST(LastResortTest, BeforeTheDesktopServicesExistTheCauseIsOnlyLogged)
{
    FailingHandler receiver;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(deliver(nullptr, receiver, FailingHandler::kFailing));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Velarium: Errore non gestito: scheda illeggibile\n");
}
