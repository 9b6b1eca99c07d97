#pragma once
// What every share test stands on, like a task environment: a private Tarvo home whose bundle
// names an app group, the main queue and a phone-sized window on it, the driver, the
// environment object the controller takes, and, on request, the loopback server standing in
// for the user's server. start() shows a share controller for the given items in the window
// and runs its start-up; runUntilIdle() runs the main queue until nothing more can happen
// without the person.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TarvoShareExtension/ShareEnvironment.h"
#include "TarvoShareExtension/ShareSendLimits.h"
#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "platform/concurrency/MainQueue.h"
#include "platform/foundation/Clock.h"
#include "platform/net/URLSession.h"
#include "platform/extension/NSExtensionContext.h"
#include "platform/extension/NSItemProvider.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/uikit/UIDriver.h"
#include "platform/uikit/UIWindow.h"
#include "tests/peer/PeerServer.h"
#include "tests/support/ScopedBundleInfo.h"
#include "tests/support/TempHome.h"

namespace share_test {

inline constexpr const char* kAppGroup = "group.test.Tarvo";

class ShareTestEnvironment {
public:
    struct Options {
        bool loopbackServer = false;  // start the loopback server (servers can point at it)
        bool appGroup = true;         // the bundle names kAppGroup; else no group at all
        std::optional<double> now;    // the wall clock fixed at this moment; else the real one
        std::string appGroupID = kAppGroup;  // the group the bundle names when appGroup
    };

    ShareTestEnvironment();
    explicit ShareTestEnvironment(Options options);
    ~ShareTestEnvironment();
    ShareTestEnvironment(const ShareTestEnvironment&) = delete;
    ShareTestEnvironment& operator=(const ShareTestEnvironment&) = delete;

    // ---- The stores, as the Tarvo app and earlier versions left them.
    platform::UserDefaults& appGroupDefaults() { return *appGroup_; }
    platform::UserDefaults& standardDefaults() { return *standard_; }
    // Stores the list as "servers.json" text in the app group.
    void setServers(const platform::Json& servers);
    // A server profile object with an id, a name and (by default) the loopback server's URL.
    platform::Json server(const std::string& id, const std::string& name, bool runCompletionPushes = false) const;
    // Stores the drafts as the app group's remembered drafts, each under its server, as given
    // (not normalised) and in place of any stored before.
    void storeDrafts(const std::vector<tarvo::share::Draft>& drafts);

    // ---- Shared items.
    static std::shared_ptr<platform::NSItemProvider> textItem(const std::string& text);
    // A file item under the type identifier, with a suggested name.
    static std::shared_ptr<platform::NSItemProvider> fileItem(const std::string& typeIdentifier,
                                                              const std::string& suggestedName);

    // ---- The controller.
    // The environment a controller is given here.
    tarvo::ShareEnvironment environment();
    // Creates a controller for the items (optionally naming the sharing app), shows it in the
    // window (which runs its start-up) and runs until idle.
    std::shared_ptr<tarvo::ShareViewController> start(std::vector<std::shared_ptr<platform::NSItemProvider>> items = {},
                                                      std::optional<std::string> sourceApp = std::nullopt);
    tarvo::ShareViewController& controller() { return *controller_; }
    platform::NSExtensionContext& context() { return *context_; }
    // Releases the controller (the window lets go of it too).
    void releaseController();
    // Releases the controller and ends what it started, as the program does when it exits:
    // every task of the queue is cancelled and has ended (work off the queue included) on
    // return; false when one did not end within a generous limit.
    bool endShare();

    // ---- Time limits of the sends.
    // The limits the next start() gives its controller (the file APIs it makes and, through the
    // environment's URL session, the emit); today's defaults until set.
    void setSendLimits(const tarvo::ShareSendLimits& limits);
    // Limits of a few seconds, for tests that make the server stall.
    static tarvo::ShareSendLimits quickSendLimits();

    platform::MainQueue& mainQueue() { return queue_; }
    platform::UIWindow& window() { return window_; }
    platform::UIDriver& driver() { return driver_; }
    peer::PeerServer* server() { return server_.get(); }
    const tarvo_test::TempHome& home() const { return home_; }

    void runUntilIdle();
    std::string dump() const { return driver_.dump(); }

private:
    tarvo_test::TempHome home_;
    tarvo_test::ScopedBundleInfo bundle_;
    platform::Clock clock_;
    std::string temporaryDirectory_;
    std::shared_ptr<platform::URLSession> urlSession_;
    tarvo::ShareSendLimits sendLimits_;
    std::unique_ptr<peer::PeerServer> server_;
    std::shared_ptr<platform::UserDefaults> appGroup_;
    std::shared_ptr<platform::UserDefaults> standard_;
    platform::MainQueue queue_;
    platform::UIWindow window_{queue_};
    platform::UIDriver driver_{window_};
    std::shared_ptr<platform::NSExtensionContext> context_;
    std::shared_ptr<tarvo::ShareViewController> controller_;
};

}  // namespace share_test
