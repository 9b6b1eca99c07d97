#include "tests/share/ShareTestEnvironment.h"

#include "Core/PushShared.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareFileAPI.h"
#include "platform/foundation/Paths.h"

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

namespace share_test {

using platform::Json;

namespace {

Json bundleInfo(const ShareTestEnvironment::Options& options) {
    Json info = Json::object();
    info["CFBundleIdentifier"] = "nolvek.Tarvo.TarvoShareExtension";
    if (options.appGroup) info["APP_GROUP_ID"] = options.appGroupID;
    return info;
}

}  // namespace

ShareTestEnvironment::ShareTestEnvironment() : ShareTestEnvironment(Options{}) {}

namespace {

// The background threads and the upload engine of every share test. Like the test queue of the
// network tests they are never destroyed: a network thread may still be finishing with them when
// a test has ended.
platform::BackgroundQueue& backgroundQueue() {
    static auto* background = new platform::BackgroundQueue(2);
    return *background;
}

tarvo::RemoteTransfer& remoteTransfer() {
    static auto* engine = new tarvo::RemoteTransfer(backgroundQueue());
    return *engine;
}

}  // namespace

ShareTestEnvironment::ShareTestEnvironment(Options options)
    : home_("share"),
      bundle_(bundleInfo(options)),
      clock_(options.now ? platform::Clock::fixedAt(*options.now) : platform::Clock::real()),
      temporaryDirectory_((home_ / "tmp").string()),
      urlSession_(platform::URLSession::make()) {
    platform::paths::setProgramName("tarvo-share");
    std::filesystem::create_directories(temporaryDirectory_);
    if (options.loopbackServer) server_ = std::make_unique<peer::PeerServer>();
    appGroup_ = tarvo::PushShared::defaults();
    standard_ = platform::UserDefaults::standard();
}

ShareTestEnvironment::~ShareTestEnvironment() {
    window_.setRootViewController(nullptr);
    controller_.reset();
    // What the controller started (a scan, a plan, a zip, a send) is cancelled and has ended,
    // its work on the background threads included, before the queue it reports to and the
    // window go.
    using namespace std::chrono_literals;
    EXPECT_TRUE(queue_.endTasks(30000ms)) << "a task of the share did not end once cancelled";
    queue_.drain();
}

void ShareTestEnvironment::setServers(const Json& servers) {
    appGroup_->set("servers.json", platform::PropertyList(platform::encodeCompact(servers)));
}

Json ShareTestEnvironment::server(const std::string& id, const std::string& name, bool runCompletionPushes) const {
    Json s = Json::object();
    s["id"] = id;
    s["name"] = name;
    s["urlString"] = server_ ? server_->baseURL() : "http://127.0.0.1:9";
    s["token"] = server_ ? server_->options().token : "token";
    s["runCompletionPushEnabled"] = runCompletionPushes;
    return s;
}

std::shared_ptr<platform::NSItemProvider> ShareTestEnvironment::textItem(const std::string& text) {
    return platform::NSItemProvider::withItem(text, "public.plain-text");
}

std::shared_ptr<platform::NSItemProvider> ShareTestEnvironment::fileItem(const std::string& typeIdentifier,
                                                                        const std::string& suggestedName) {
    auto provider = platform::NSItemProvider::withItem(platform::ProviderData{'x'}, typeIdentifier);
    provider->setSuggestedName(suggestedName);
    // Insight scan: the bytes can also be loaded as data, so the item becomes a file like a real
    // one and stays part of the payload.
    provider->registerDataRepresentation(typeIdentifier, platform::ProviderData{'x'});
    return provider;
}

tarvo::ShareEnvironment ShareTestEnvironment::environment() {
    tarvo::ShareEnvironment env{queue_, backgroundQueue(), urlSession_, remoteTransfer(), clock_, temporaryDirectory_};
    env.window = &window_;
    env.defaults = appGroup_;
    env.standardDefaults = standard_;
    env.appGroupSuiteName = tarvo::PushShared::suiteName();
    if (!env.appGroupSuiteName.empty()) env.appGroupSuite = platform::UserDefaults::suite(env.appGroupSuiteName);
    // ---- Time limits of the sends.
    env.makeFileAPI = [limits = sendLimits_](const tarvo::ServerProfile& server) {
        return tarvo::share::makeShareFileAPI(server, limits);
    };
    return env;
}

std::shared_ptr<tarvo::ShareViewController> ShareTestEnvironment::start(
    std::vector<std::shared_ptr<platform::NSItemProvider>> items, std::optional<std::string> sourceApp) {
    context_ = std::make_shared<platform::NSExtensionContext>();
    auto item = std::make_shared<platform::NSExtensionItem>();
    item->attachments = std::move(items);
    context_->inputItems.push_back(item);
    if (sourceApp) context_->setValueForKey("sourceApplicationBundleIdentifier", platform::PropertyList(*sourceApp));
    controller_ = tarvo::ShareViewController::make(environment());
    controller_->setExtensionContext(context_);
    window_.setRootViewController(controller_);
    runUntilIdle();
    // The scan of the shared items lists archives off the main queue; a test starts from its
    // published insight, as a person would see the screen once it settles.
    using namespace std::chrono_literals;
    queue_.runUntil([&] { return !controller_->artifactPreviewTask || controller_->artifactPreviewTask->isDone(); },
                    20000ms);
    runUntilIdle();
    return controller_;
}

// ---- Time limits of the sends.
void ShareTestEnvironment::setSendLimits(const tarvo::ShareSendLimits& limits) {
    sendLimits_ = limits;
    platform::URLSessionConfiguration configuration = platform::URLSessionConfiguration::defaultConfiguration();
    configuration.timeoutIntervalForRequest = limits.requestSeconds;
    urlSession_ = platform::URLSession::make(configuration);
}

tarvo::ShareSendLimits ShareTestEnvironment::quickSendLimits() {
    tarvo::ShareSendLimits limits;
    // Short for a stall, long enough for a loaded machine's server to do the real work (start
    // the upload's writer, answer a request) within them.
    limits.requestSeconds = 3;
    limits.resourceSeconds = 30;
    limits.streamOpenSeconds = 3;
    limits.cmdStream.receiveSeconds = 0.1;
    limits.cmdStream.commandSeconds = 10;
    limits.cmdStream.runMetadataSeconds = 3;
    limits.cmdStream.uploadExitSeconds = 15;
    return limits;
}

void ShareTestEnvironment::releaseController() {
    window_.setRootViewController(nullptr);
    controller_.reset();
}

void ShareTestEnvironment::storeDrafts(const std::vector<tarvo::share::Draft>& drafts) {
    tarvo::share::ServerDraftStore store;
    for (const auto& d : drafts) store.byServer[d.serverId] = d;
    store.save(*appGroup_);
}

bool ShareTestEnvironment::endShare() {
    releaseController();
    using namespace std::chrono_literals;
    return queue_.endTasks(30000ms);
}

void ShareTestEnvironment::runUntilIdle() {
    using namespace std::chrono_literals;
    queue_.runUntilIdle(10000ms);
}

}  // namespace share_test
