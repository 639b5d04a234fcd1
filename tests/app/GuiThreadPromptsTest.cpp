#include "GuiThreadPrompts.h"

#include <QtTest>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

using namespace std::chrono_literals;

struct Answering final : Prompts {
    std::vector<std::string> shown;
    int ShowMessage(const std::string& text, unsigned, const std::string&) override {
        shown.push_back(text);
        return IdYes;
    }
};

// Once the batch stops, a question from its thread still waiting for the GUI
// thread gets the answer that does least at once, and is never shown
// afterwards. One answered in time is the dialog's everyday case (AWalkThroughTheDialog).
TEST(GuiThreadPrompts, AStopAnswersAWaitingQuestionSafelyAndItIsNeverShown) {
    QObject context;
    for (const auto& [style, safe] :
         {std::pair{MessageStyle::YesNo | MessageStyle::IconQuestion, IdNo},
          {MessageStyle::OkCancel | MessageStyle::IconExclamation, IdCancel}}) {
        SCOPED_TRACE(style);
        Answering shownBy;
        std::stop_source stop;
        GuiThreadPrompts prompts(shownBy, context, stop.get_token());
        // The GUI thread is busy elsewhere until the stop has been answered.
        auto waiting = std::async(std::launch::async,
                                  [&] { return prompts.ShowMessage("waiting", style, {}); });
        stop.request_stop();
        ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
        EXPECT_EQ(waiting.get(), safe);
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(shownBy.shown.empty());
    }
}

} // namespace
