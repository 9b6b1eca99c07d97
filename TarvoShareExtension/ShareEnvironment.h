#pragma once
// What the share extension runs with. A program's main() (or a test harness) builds the real
// pieces once and hands this environment to the share controller and its flows, which take what
// they need from it and reach for no process-wide object of their own; the program, its tests
// and its benchmarks thus run the same code, each in the world it was given.
//
// A plain aggregate. Whoever builds it owns what the references name and keeps it alive for as
// long as anything holding the environment (the controller, a flow, an upload) may still run.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "TarvoShareExtension/Remote/RemoteTransfer.h"
#include "platform/concurrency/BackgroundQueue.h"
#include "platform/concurrency/MainQueue.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/URLSession.h"
#include "platform/uikit/UIWindow.h"

namespace tarvo {

struct ShareEnvironment {
    // The main thread's queue: the screen and the flows' steps run on it. Whoever waits for a
    // flow runs it with runUntilIdle() or runUntil().
    platform::MainQueue& mainQueue;
    // Threads for work that stays off the main queue; the upload engine runs on a strand of it.
    platform::BackgroundQueue& backgroundQueue;
    // The session of the REST calls (URLSessionHTTPTransport) and of the receptionist's emit.
    std::shared_ptr<platform::URLSession> urlSession;
    // The one upload engine, made on backgroundQueue.
    RemoteTransfer& remoteTransfer;
    // The wall clock: the real one, or one fixed for as long as the environment holds it
    // (tarvo-share --now, a test's moment).
    platform::Clock clock;
    // The folder where shared items become files; it exists.
    std::string temporaryDirectory;

    // ---- The share screen's world.
    // The window the screen is shown in: its notification centre carries the keyboard's
    // notifications, its animator runs the screen's animations.
    platform::UIWindow* window = nullptr;
    // The app group's suite (the standard store when no group is configured): every setting of
    // the extension is read from and written to it.
    std::shared_ptr<platform::UserDefaults> defaults;
    // The program's own standard store, the app group's name and its suite as opened, for the
    // one-time copy of settings from the first into the last: "" and no suite without a group,
    // and no suite when the group's suite did not open (defaults is then the standard store,
    // which is never the copy's target).
    std::shared_ptr<platform::UserDefaults> standardDefaults;
    std::string appGroupSuiteName;
    std::shared_ptr<platform::UserDefaults> appGroupSuite;
    // The remote client of one server for one send; nothing when the server has no usable URL
    // or no token. Whoever builds it chooses the send's time limits (share::makeShareFileAPI);
    // the receptionist's emit goes through urlSession, whose configuration sets its limit.
    std::function<std::optional<RemoteAPI>(const ServerProfile&)> makeFileAPI;
};

}  // namespace tarvo
