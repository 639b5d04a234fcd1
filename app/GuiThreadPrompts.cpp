#include "GuiThreadPrompts.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace {

// One message on its way to the GUI thread and its answer on the way back.
// Shared, since the asking thread may give up on it before it is shown.
struct Pending {
    std::mutex mutex;
    std::condition_variable_any answered;
    std::optional<int> answer;
};

} // namespace

GuiThreadPrompts::GuiThreadPrompts(Prompts& prompts, QObject& owner, std::stop_token stopToken)
    : shownBy(prompts), context(owner), stop(std::move(stopToken)) {}

int GuiThreadPrompts::ShowMessage(const std::string& text, unsigned style,
                                  const std::string& detail) {
    auto pending = std::make_shared<Pending>();
    QMetaObject::invokeMethod(
        &context,
        [pending, &prompts = shownBy, text, style, detail, stopToken = stop] {
            // The asking thread gives up only on a stop.
            if (stopToken.stop_requested())
                return;
            const int answer = prompts.ShowMessage(text, style, detail);
            const std::lock_guard lock(pending->mutex);
            pending->answer = answer;
            pending->answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(pending->mutex);
    if (!pending->answered.wait(lock, stop, [&] { return pending->answer.has_value(); }))
        return SafeAnswer(style);
    return *pending->answer;
}
