#pragma once
// What the send-flow tests stand on: the share test environment with the loopback server, a
// small project folder to share, a stored draft per server, the insight a scan of the project
// would have produced, and readers of what the server received.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "platform/extension/NSItemProvider.h"
#include "platform/foundation/PropertyList.h"
#include "tests/share/ShareTestEnvironment.h"
#include "tests/share/ShareTestSupport.h"
#include "tests/support/Files.h"

namespace share_test {

using namespace std::chrono_literals;

class SendFlowTest : public ::testing::Test {
protected:
    SendFlowTest() : env(ShareTestEnvironment::Options{true, true, 1738315800.0}) {}

    peer::PeerServer& server() { return *env.server(); }
    std::filesystem::path filesRoot() { return server().filesRoot(); }

    // A project folder: deploy.sh writes deployed.txt beside itself, with a site under it.
    std::filesystem::path makeProject(const std::string& name = "project") {
        const auto dir = std::filesystem::path(env.home().path()) / "shared" / name;
        tarvo_test::writeFile(dir / "deploy.sh", "#!/bin/sh\necho deployed > deployed.txt\necho deploy done\n");
        tarvo_test::writeFile(dir / "site/index.html", "<h1>demo</h1>\n");
        return dir;
    }
    static std::shared_ptr<platform::NSItemProvider> pathItem(const std::filesystem::path& path) {
        return platform::NSItemProvider::contentsOf(path.string());
    }

    // Stores the draft the server's share starts from, normalised like a draft made on the
    // screen, beside the drafts already stored for other servers. env.storeDrafts instead
    // replaces every stored draft with the ones given, exactly as given.
    void storeDraft(tarvo::share::Draft d) {
        auto store = tarvo::share::ServerDraftStore::load(env.appGroupDefaults());
        store.byServer[d.serverId] = tarvo::share::Draft::normalized(d);
        store.save(env.appGroupDefaults());
    }
    static tarvo::share::Draft recipeDraft(const std::string& serverId) {
        auto d = uploadDraft(serverId, "sites/demo", tarvo::share::PostUploadAction::unzipThenRun);
        d.deployWorkingDirectory = tarvo::share::PostUploadWorkingDirectory::extractedFolder;
        d.deployCommand = "bash './deploy.sh'";  // the run line the app writes for the script
        d.openOnNextLaunch = true;
        return d;
    }

    // What the scan of the project archive would have found.
    static tarvo::share::ArtifactInsight projectInsight() {
        tarvo::share::ArtifactInsight insight;
        insight.state = tarvo::share::ArtifactInsightState::ready();
        insight.filename = "project.zip";
        insight.isZip = true;
        insight.projectSignature = tarvo::ArtifactProjectSignature{
            "exact", "paths", "content", {"deploy.sh", "site/index.html"}, {}, {{"deploy.sh", "0badf00d:55"}}};
        insight.baseShellCandidates = {candidate("deploy.sh", "deploy.sh", std::string("0badf00d:55"))};
        insight.shellCandidates = insight.baseShellCandidates;
        return insight;
    }

    void tapSend() { env.driver().tap(std::string(tarvo::share::roles::sendButton)); }

    // Send, then wait until the send task has ended, at most `limit`.
    void sendAndWait(std::chrono::milliseconds limit = 60000ms) {
        tapSend();
        auto& c = env.controller();
        ASSERT_TRUE(env.mainQueue().runUntil([&] { return c.sendTask && c.sendTask->isDone(); }, limit))
            << env.dump() << server().log();
        env.runUntilIdle();
    }

    // The paths of the requests to the given paths, in the order received.
    std::vector<std::string> requestPaths(const std::set<std::string>& wanted) {
        std::vector<std::string> out;
        for (const auto& r : server().requests()) {
            const std::string path = r.value("path", "");
            if (wanted.count(path)) out.push_back(path);
        }
        return out;
    }
    static std::string header(const platform::Json& request, const std::string& name) {
        for (const auto& h : request["headers"]) {
            std::string key = h[0].get<std::string>();
            std::transform(key.begin(), key.end(), key.begin(), ::tolower);
            std::string wanted = name;
            std::transform(wanted.begin(), wanted.end(), wanted.begin(), ::tolower);
            if (key == wanted) return h[1].get<std::string>();
        }
        return "<absent>";
    }
    static bool hasHeader(const platform::Json& request, const std::string& name) {
        return header(request, name) != "<absent>";
    }

    // Counts the ends of the share request.
    int watchOutcomes() {
        outcomes = 0;
        env.context().setOutcomeHandler([this](const platform::NSExtensionContext::Outcome&) { ++outcomes; });
        return outcomes;
    }

    ShareTestEnvironment env;
    int outcomes = 0;
};

}  // namespace share_test
