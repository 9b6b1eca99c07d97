#pragma once
// Everything the share controller and its flows reach outside themselves, handed to them in one
// object: the program builds the real one, tests build theirs. Nothing in the share extension
// opens a defaults suite, a window or a remote client on its own.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Shared/ServerProfileShared.h"
#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "platform/concurrency/MainQueue.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/uikit/UIWindow.h"

namespace tarvo {

struct ShareEnvironment {
    // Where all controller state lives and every flow runs.
    platform::MainQueue* mainQueue = nullptr;
    // The window the share screen is shown in: its notification centre carries the keyboard's
    // notifications, its animator runs the screen's animations.
    platform::UIWindow* window = nullptr;

    // The app group's suite (the standard store when no group is configured): every setting of
    // the extension is read from and written to it.
    std::shared_ptr<platform::UserDefaults> defaults;
    // The program's own standard store and the app group's name, for the one-time copy of
    // settings from the first into the second ("" and no copy without a group).
    std::shared_ptr<platform::UserDefaults> standardDefaults;
    std::string appGroupSuiteName;

    // The remote client of one server for one send; nothing when the server has no usable URL
    // or no token.
    std::function<std::optional<RemoteAPI>(const ServerProfile&)> makeFileAPI;
};

}  // namespace tarvo
