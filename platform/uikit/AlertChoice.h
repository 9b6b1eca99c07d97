#pragma once
// An alert whose answer a task waits for: a send that asks before each server or target. The
// task presents the alert and is suspended until a person taps one of its actions; the action's
// own handler runs first, as on the platform, then the task goes on with the action's title.
// While it waits it holds a MainQueue::PersonWait, so MainQueue::runUntilIdle() (and the
// screen driver's `wait`) returns with the alert on screen instead of waiting for an answer no
// program can give. Like the platform's continuations the wait is not interrupted by cancelling
// the task; check for cancellation after it.
#include <memory>
#include <optional>
#include <string>

#include "platform/concurrency/Async.h"
#include "platform/concurrency/MainQueue.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIViewController.h"

namespace platform {

// Call on the main queue, from a task of `queue`. Gives the tapped action's title, or nothing
// when the presentation was refused (the presenter already presents something) and no answer
// can ever come.
Async<std::optional<std::string>> presentAlertAndWaitForChoice(UIViewController& presenter,
                                                               std::shared_ptr<UIAlertController> alert,
                                                               MainQueue& queue);

}  // namespace platform
