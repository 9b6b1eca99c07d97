#include "platform/uikit/AlertChoice.h"

#include <functional>
#include <utility>

#include "platform/concurrency/Continuation.h"

namespace platform {

Async<std::optional<std::string>> presentAlertAndWaitForChoice(UIViewController& presenter,
                                                               std::shared_ptr<UIAlertController> alert,
                                                               MainQueue& queue) {
    // The actions get their replies and the alert is shown from inside the wait, so that an
    // answer given at once is not lost. When the presentation is refused the replies are taken
    // back again; the last copy going ends the wait with ContinuationDroppedError.
    std::function<void(Continuation<std::string>)> show = [&presenter, &alert](Continuation<std::string> reply) {
        for (const auto& action : alert->actions()) {
            auto own = std::move(action->handler);
            action->handler = [own = std::move(own), reply](UIAlertAction& tapped) {
                if (own) own(tapped);
                reply.resume(tapped.title);
            };
        }
        presenter.present(alert, true);
        if (alert->presentingViewController() == nullptr) {
            for (const auto& action : alert->actions()) action->handler = nullptr;
        }
    };
    MainQueue::PersonWait waiting(queue);
    try {
        // Named, not a temporary: GCC 12 destroys closures made inside a co_await expression twice.
        auto choice = withContinuation<std::string>(std::move(show));
        co_return co_await std::move(choice);
    } catch (const ContinuationDroppedError&) {
        co_return std::nullopt;  // refused, or the alert went away without an answer
    }
}

}  // namespace platform
