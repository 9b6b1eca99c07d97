// The upload flow over loopback sockets: a shared project folder zipped, uploaded over the
// command stream, verified, its recipe registered as a job that the server runs, the observation
// reported, the hand-off stored and the share completed; and each way it can fail.
#include "Shared/ShareLaunchHandoff.h"
#include "TarvoShareExtension/SmartSharePresetMemory.h"
#include "tests/share/send/SendFlowFixture.h"

namespace share_test {
namespace {

using namespace platform;
using tarvo::share::PostUploadAction;
using tarvo::share::ServerDraftStore;

class UploadFlowTest : public SendFlowTest {
protected:
    // One server "a" (the loopback server), the project shared, the draft stored.
    tarvo::ShareViewController& startRecipeShare(tarvo::share::Draft d) {
        env.setServers(Json::array({env.server("a", "Box")}));
        storeDraft(std::move(d));
        auto& c = *env.start({pathItem(makeProject())});
        watchOutcomes();
        return c;
    }
    // Waits until the server's first job has ended; its record.
    Json waitForJob() {
        Json job;
        EXPECT_TRUE(env.mainQueue().runUntil(
            [&] {
                const Json jobs = server().jobs();
                if (jobs.empty() || jobs[0]["exit_code"].is_null()) return false;
                job = jobs[0];
                return true;
            },
            20000ms))
            << server().log();
        return job;
    }
    std::optional<std::string> storedHandoff() { return env.appGroupDefaults().string("share.launchHandoff.json"); }
};

TEST_F(UploadFlowTest, ARecipeRunsEndToEnd) {
    auto& c = startRecipeShare(recipeDraft("a"));
    // A reply ticket came with the share and the result is to return to it.
    tarvo::share::NVKInteractionReplyTicket ticket;
    ticket.schema = "nvk.interaction.reply-ticket.v1";
    ticket.targetId = "t-1";
    ticket.capabilityURL = "https://nvk.example/reply/abc";
    c.interactionReply = ticket;
    c.returnResultSwitch->setOn(true);
    sendAndWait();

    // Upload (its stream and its verification), then one submission, then one observation.
    const auto order = requestPaths({"/ws/cmd", "/api/stat", "/api/jobs/submit", "/api/jobs/artifact-observation"});
    EXPECT_EQ(order, (std::vector<std::string>{"/ws/cmd", "/api/stat", "/api/jobs/submit",
                                               "/api/jobs/artifact-observation"}));
    EXPECT_TRUE(std::filesystem::is_regular_file(filesRoot() / "sites/demo/project.zip"));

    // The job: its exact key set, shell line and run policy.
    const Json submit = parseJson(server().requestsTo("/api/jobs/submit")[0]["body_text"].get<std::string>());
    std::set<std::string> keys;
    for (const auto& item : submit.items()) keys.insert(item.key());
    EXPECT_EQ(keys, (std::set<std::string>{"title", "source", "script_path", "script_relative_path",
                                           "script_fingerprint", "selected_scripts", "destination",
                                           "working_directory", "expected_lifetime", "readiness",
                                           "notification_events", "project_signature", "execution"}));
    EXPECT_EQ(submit["destination"], "sites/demo");
    EXPECT_EQ(submit["working_directory"], "sites/demo/project");
    const Json& execution = submit["execution"];
    const std::string line = execution["shell_line"];
    EXPECT_NE(line.find("unzip -o -- 'sites/demo/project.zip' -d 'sites/demo/project'"), std::string::npos) << line;
    EXPECT_NE(line.find("bash './deploy.sh'"), std::string::npos) << line;
    EXPECT_EQ(execution["run_policy"]["recipe"], "unzipThenRun");
    EXPECT_EQ(execution["run_policy"]["working_directory_kind"], "extractedFolder");
    EXPECT_EQ(execution["run_policy"]["expected_lifetime"], "finite");
    EXPECT_EQ(execution["run_policy"]["readiness"], Json::parse(R"({"kind":"none"})"));
    EXPECT_TRUE(execution["run_policy"]["notify"].contains("events"));
    EXPECT_EQ(execution["run_policy"]["interaction_reply"], *c.interactionReplyObject());

    // The server ran it.
    const Json job = waitForJob();
    EXPECT_EQ(job["exit_code"], 0) << tarvo_test::readFile(job["log_path"].get<std::string>()) << line;
    EXPECT_EQ(tarvo_test::readFile(filesRoot() / "sites/demo/project/deployed.txt"), "deployed\n");

    // The observation names where it landed and what was chosen.
    const Json observation =
        parseJson(server().requestsTo("/api/jobs/artifact-observation")[0]["body_text"].get<std::string>());
    EXPECT_EQ(observation["destination"], "sites/demo");
    EXPECT_EQ(observation["remote_path"], "sites/demo/project.zip");
    EXPECT_EQ(observation["filename"], "project.zip");
    EXPECT_EQ(observation["project_signature"]["exact_digest"], c.artifactInsight.projectSignature.value().exactDigest);

    // The hand-off, the stored draft and last server, the final status, one completion.
    const auto handoff = tarvo::ShareLaunchHandoff::fromJson(parseJson(storedHandoff().value_or("{}")));
    EXPECT_EQ(handoff.kind, "open_dir");
    EXPECT_EQ(handoff.path, "sites/demo");
    EXPECT_EQ(handoff.serverId, "a");
    EXPECT_EQ(handoff.title, "Open Box /sites/demo");
    EXPECT_EQ(handoff.createdAtEpoch, 1738315800.0);
    EXPECT_EQ(ServerDraftStore::load(env.appGroupDefaults()).byServer.at("a"), c.draft);
    EXPECT_EQ(env.appGroupDefaults().string("share.lastServerId"), "a");
    EXPECT_EQ(c.statusLabel->text, "Run accepted \u00b7 " + job["run_id"].get<std::string>() + " \u00b7 " +
                                       job["job_id"].get<std::string>());
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
    EXPECT_EQ(outcomes, 1);
    EXPECT_TRUE(c.transferFinished);
    EXPECT_FALSE(c.lastSendError);
    EXPECT_EQ(c.uploadProgressView->progress(), 1.0);
    // The smart-share memory learned the recipe.
    EXPECT_TRUE(env.appGroupDefaults().object("share.smartPresetMemory.v1"));
}

TEST_F(UploadFlowTest, WithoutAJobAPITheRecipeRunsDetachedOverTheCommandStream) {
    for (int status : {404, 405}) {
        SCOPED_TRACE(status);
        server().reset();
        auto& c = startRecipeShare(recipeDraft("a"));
        server().addRule(Json{{"path", "/api/jobs/submit"}, {"status", status}, {"times", 0}});
        sendAndWait();

        const std::string submitted =
            parseJson(server().requestsTo("/api/jobs/submit")[0]["body_text"].get<std::string>())["execution"]["shell_line"];
        const Json streams = server().requestsTo("/ws/cmd");
        ASSERT_EQ(streams.size(), 2u) << "the upload, then the detached run";
        const Json& start = streams[1]["ws"]["start"];
        EXPECT_EQ(start["persist"], true);
        EXPECT_EQ(start["shell_line"], submitted) << "the same shell line";
        const Json submittedPolicy =
            parseJson(server().requestsTo("/api/jobs/submit")[0]["body_text"].get<std::string>())["execution"]["run_policy"];
        EXPECT_EQ(start["run_policy"], submittedPolicy) << "the same run policy";
        const std::string runID = streams[1]["ws"]["run_id"];
        EXPECT_EQ(c.statusLabel->text, "Run accepted \u00b7 " + runID) << "no job id without a job";
        EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
        ASSERT_TRUE(env.mainQueue().runUntil(
            [&] { return std::filesystem::exists(filesRoot() / "sites/demo/project/deployed.txt"); }, 20000ms));
        env.releaseController();
        std::filesystem::remove_all(filesRoot() / "sites");
    }
}

TEST_F(UploadFlowTest, ASubmissionAnswered500IsListedAndNothingFollows) {
    auto& c = startRecipeShare(recipeDraft("a"));
    server().addRule(Json{{"path", "/api/jobs/submit"}, {"status", 500}, {"body", "database locked"}});
    sendAndWait();

    ASSERT_TRUE(c.lastSendError);
    EXPECT_EQ(c.statusLabel->text, *c.lastSendError);
    EXPECT_EQ(c.statusLabel->text.rfind("Done with 1 error(s):\n1/1: ", 0), 0u) << c.statusLabel->text;
    EXPECT_NE(c.statusLabel->text.find("500"), std::string::npos) << c.statusLabel->text;
    EXPECT_TRUE(server().requestsTo("/api/jobs/artifact-observation").empty());
    EXPECT_FALSE(storedHandoff());
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::pending);
    EXPECT_EQ(outcomes, 0);
    EXPECT_FALSE(c.isBusy);
    EXPECT_TRUE(c.sendButton->enabled);
    EXPECT_TRUE(std::filesystem::is_regular_file(filesRoot() / "sites/demo/project.zip")) << "the upload stays";
}

TEST_F(UploadFlowTest, AnUnzipRecipeOnAFileThatIsNotAZip) {
    env.setServers(Json::array({env.server("a", "Box")}));
    auto d = uploadDraft("a", "inbox", PostUploadAction::unzip);
    storeDraft(d);
    const auto note = std::filesystem::path(env.home().path()) / "shared/note.txt";
    tarvo_test::writeFile(note, "hello\n");
    auto& c = *env.start({pathItem(note)});
    sendAndWait();
    EXPECT_EQ(c.statusLabel->text,
              "Done with 1 error(s):\n1/1: Upload failed: after-upload unzip selected, but note.txt is not a .zip file");
    EXPECT_TRUE(server().requestsTo("/api/jobs/submit").empty());
    EXPECT_EQ(tarvo_test::readFile(filesRoot() / "inbox/note.txt"), "hello\n");
}

TEST_F(UploadFlowTest, OneOfThreeItemsRefused) {
    env.setServers(Json::array({env.server("a", "Box")}));
    storeDraft(uploadDraft("a", " /drop/ ", PostUploadAction::none));
    std::vector<std::shared_ptr<NSItemProvider>> items;
    for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
        const auto path = std::filesystem::path(env.home().path()) / "shared" / name;
        tarvo_test::writeFile(path, name);
        items.push_back(pathItem(path));
    }
    auto& c = *env.start(items);
    watchOutcomes();
    server().addRule(Json{{"path", "/ws/cmd"},
                          {"skip", 1},
                          {"script", Json::array({Json{{"json", Json{{"stream", "error"}, {"data", "disk full"}}}}})}});
    sendAndWait();

    EXPECT_EQ(tarvo_test::readFile(filesRoot() / "drop/one.txt"), "one.txt");
    EXPECT_FALSE(std::filesystem::exists(filesRoot() / "drop/two.txt"));
    EXPECT_EQ(tarvo_test::readFile(filesRoot() / "drop/three.txt"), "three.txt");
    ASSERT_TRUE(c.lastSendError);
    EXPECT_EQ(c.statusLabel->text.rfind("Done with 1 error(s):\n2/3: ", 0), 0u) << c.statusLabel->text;
    EXPECT_NE(c.statusLabel->text.find("disk full"), std::string::npos) << c.statusLabel->text;
    EXPECT_EQ(c.statusLabel->text.find('\n', 25), std::string::npos) << "one line";
    EXPECT_TRUE(server().requestsTo("/api/jobs/submit").empty());
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::pending);
    EXPECT_TRUE(c.sendButton->enabled);
    EXPECT_FALSE(c.isBusy);
}

TEST_F(UploadFlowTest, FiveFailuresShowTheirCountAndThreeLines) {
    env.setServers(Json::array({env.server("a", "Box")}));
    storeDraft(uploadDraft("a", "drop"));
    std::vector<std::shared_ptr<NSItemProvider>> items;
    for (int i = 0; i < 5; ++i) items.push_back(env.textItem("item " + std::to_string(i)));
    auto& c = *env.start(items);
    for (const char* path : {"/ws/cmd", "/api/ws/cmd"}) server().addRule(Json{{"path", path}, {"status", 503}, {"times", 0}});
    sendAndWait();
    const std::string text = c.statusLabel->text;
    EXPECT_EQ(text.rfind("Done with 5 error(s):\n1/5: ", 0), 0u) << text;
    EXPECT_NE(text.find("\n2/5: "), std::string::npos);
    EXPECT_NE(text.find("\n3/5: "), std::string::npos);
    EXPECT_EQ(text.find("4/5"), std::string::npos) << text;
}

// The loopback server's fault switches during the upload: each ends in its error line, the share
// open, nothing reported as success.
TEST_F(UploadFlowTest, FaultsDuringTheUpload) {
    struct Case {
        const char* name;
        std::vector<Json> rules;
        const char* text;  // in the error line
    };
    const std::vector<Case> cases = {
        {"closed mid-upload", {Json{{"path", "/ws/cmd"}, {"close_after_stdin", 2}}}, "Network error: Socket is not connected"},
        {"error frame",
         {Json{{"path", "/ws/cmd"},
               {"script", Json::array({Json{{"json", Json{{"stream", "error"}, {"data", "no space left"}}}}})}}},
         "no space left"},
        {"stream refused",
         {Json{{"path", "/ws/cmd"}, {"status", 403}}, Json{{"path", "/api/ws/cmd"}, {"status", 403}}},
         "Network error: The server returned a response the client cannot use."},
        {"verification refused", {Json{{"path", "/api/stat"}, {"status", 500}, {"body", "stat broke"}}}, "500"},
    };
    env.setServers(Json::array({env.server("a", "Box")}));
    storeDraft(recipeDraft("a"));
    const auto big = std::filesystem::path(env.home().path()) / "shared/app.zip";
    tarvo_test::writeFile(big, std::string(1 << 20, 'z'));
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        server().reset();
        auto& c = *env.start({pathItem(big)});
        watchOutcomes();
        for (const auto& rule : k.rules) server().addRule(rule);
        sendAndWait();
        EXPECT_EQ(c.statusLabel->text.rfind("Done with 1 error(s):\n1/1: ", 0), 0u) << c.statusLabel->text;
        EXPECT_NE(c.statusLabel->text.find(k.text), std::string::npos) << c.statusLabel->text;
        EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::pending);
        EXPECT_TRUE(server().requestsTo("/api/jobs/submit").empty());
        EXPECT_FALSE(std::filesystem::exists(filesRoot() / "sites/demo/app.zip") &&
                     std::string(k.name) != "verification refused")
            << "no partial file under the final name";
        env.releaseController();
    }
}

// The observation is best effort: its failure leaves no trace.
TEST_F(UploadFlowTest, AnObservationAnswered500ChangesNothing) {
    auto& c = startRecipeShare(recipeDraft("a"));
    server().addRule(Json{{"path", "/api/jobs/artifact-observation"}, {"status", 500}});
    sendAndWait();
    EXPECT_EQ(server().requestsTo("/api/jobs/artifact-observation").size(), 1u);
    EXPECT_EQ(c.statusLabel->text.rfind("Run accepted \u00b7 ", 0), 0u) << c.statusLabel->text;
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
}

TEST_F(UploadFlowTest, NoUsableServerAddressOrToken) {
    Json s = env.server("a", "Box");
    s["token"] = "  ";
    env.setServers(Json::array({s}));
    storeDraft(uploadDraft("a", "sites/demo"));
    auto& c = *env.start({env.textItem("x")});
    sendAndWait();
    EXPECT_EQ(c.statusLabel->text, "Invalid server URL or token.");
    EXPECT_TRUE(server().requests().empty());
}

TEST_F(UploadFlowTest, APlainUploadOpensTheFolderNextTime) {
    env.setServers(Json::array({env.server("a", "Box")}));
    auto d = uploadDraft("a", "");
    d.openOnNextLaunch = true;
    storeDraft(d);
    auto& c = *env.start({pathItem(makeProject())});
    sendAndWait();
    EXPECT_EQ(c.statusLabel->text, "Uploaded");
    EXPECT_TRUE(server().requestsTo("/api/jobs/submit").empty());
    EXPECT_TRUE(server().requestsTo("/api/jobs/artifact-observation").empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(filesRoot() / "project.zip"));
    const auto handoff = tarvo::ShareLaunchHandoff::fromJson(parseJson(storedHandoff().value_or("{}")));
    EXPECT_EQ(handoff.kind, "open_tab") << "the file sits at the root: the files tab";
    EXPECT_EQ(handoff.path, "files");
}

// The memory's plan chooses two scripts, remembered in an order of their own: what Send reports
// and what the memory learns are the two scripts the recipe runs, in the order it runs them.
TEST_F(UploadFlowTest, ScriptsChosenByAPlanAreTheScriptsSent) {
    env.setServers(Json::array({env.server("a", "Box")}));
    storeDraft(uploadDraft("a", "sites/demo"));
    const auto dir = makeProject();
    tarvo_test::writeFile(dir / "build.sh", "#!/bin/sh\necho built > built.txt\n");
    std::optional<tarvo::ArtifactProjectSignature> signature;
    std::vector<tarvo::ArtifactShellCandidate> ranked;
    {
        auto& first = *env.start({pathItem(dir)});
        signature = first.artifactInsight.projectSignature;
        ranked = first.artifactInsight.shellCandidates;
        env.releaseController();
    }
    ASSERT_TRUE(signature);
    ASSERT_EQ(ranked.size(), 2u);
    {
        tarvo::SmartSharePresetMemoryStore memory(env.appGroupDefaults());
        memory.setAutomaticPreset("a", "sites/demo", *signature, "unzipThenRun", "extractedFolder", "",
                                  "bash './" + ranked[1].filename + "'\nbash './" + ranked[0].filename + "'",
                                  {ranked[1].path, ranked[0].path}, {}, env.appGroupDefaults());
    }
    auto& c = *env.start({pathItem(dir)});
    ASSERT_EQ(c.draft.selectedScriptPaths, (std::vector<std::string>{ranked[0].path, ranked[1].path}));
    sendAndWait();

    const Json submit = parseJson(server().requestsTo("/api/jobs/submit").at(0)["body_text"].get<std::string>());
    EXPECT_EQ(submit["script_path"], ranked[0].path);
    ASSERT_EQ(submit["selected_scripts"].size(), 2u) << submit.dump();
    EXPECT_EQ(submit["selected_scripts"][1]["path"], ranked[1].path);
    const std::string line = submit["execution"]["shell_line"];
    EXPECT_LT(line.find("bash './" + ranked[0].filename + "'"), line.find("bash './" + ranked[1].filename + "'")) << line;
    const Json observation =
        parseJson(server().requestsTo("/api/jobs/artifact-observation").at(0)["body_text"].get<std::string>());
    EXPECT_EQ(observation["selected_candidates"].size(), 2u) << observation.dump();
    EXPECT_EQ(observation["selected_candidate"]["path"], ranked[0].path);

    const Json job = waitForJob();
    EXPECT_EQ(job["exit_code"], 0) << tarvo_test::readFile(job["log_path"].get<std::string>());
    tarvo::SmartSharePresetMemoryStore learned(env.appGroupDefaults());
    ASSERT_EQ(learned.presets().size(), 1u);
    EXPECT_EQ(learned.presets()[0].selectedScriptPaths,
              (std::vector<std::string>{ranked[0].relativePath, ranked[1].relativePath}));
}

// An upload to the server root is reported and learned as the root, and the next share of the
// project, prepared by what was learned, goes to the root again.
TEST_F(UploadFlowTest, ARootUploadIsLearnedAsTheRoot) {
    env.setServers(Json::array({env.server("a", "Box")}));
    auto d = recipeDraft("a");
    d.destFolder = "";
    storeDraft(d);
    const auto dir = makeProject();
    env.start({pathItem(dir)});
    sendAndWait();
    ASSERT_TRUE(std::filesystem::is_regular_file(filesRoot() / "project.zip"));
    const Json observation =
        parseJson(server().requestsTo("/api/jobs/artifact-observation").at(0)["body_text"].get<std::string>());
    EXPECT_EQ(observation["destination"], "");
    EXPECT_EQ(observation["remote_path"], "project.zip");
    {
        tarvo::SmartSharePresetMemoryStore learned(env.appGroupDefaults());
        ASSERT_EQ(learned.presets().size(), 1u);
        EXPECT_EQ(learned.presets()[0].destinationFolder, "");
    }
    EXPECT_EQ(waitForJob()["exit_code"], 0);
    env.releaseController();

    server().reset();
    auto& next = *env.start({pathItem(dir)});
    ASSERT_TRUE(next.smartSharePlan && next.smartSharePlan->preset);
    EXPECT_EQ(next.draft.destFolder, "");
    EXPECT_EQ(next.destFolderField->text, "");
    sendAndWait();
    const Json submit = parseJson(server().requestsTo("/api/jobs/submit").at(0)["body_text"].get<std::string>());
    EXPECT_EQ(submit["destination"], "");
    EXPECT_FALSE(std::filesystem::exists(filesRoot() / "uploads"));
}

// Decided: the list of items and the primary artifact are taken together when the run starts;
// a scan that publishes a new list meanwhile does not move the recipe onto another item.
TEST_F(UploadFlowTest, TheRecipeStaysOnTheItemChosenWhenTheRunStarted) {
    env.setServers(Json::array({env.server("a", "Box")}));
    auto d = recipeDraft("a");
    d.postUploadAction = PostUploadAction::unzip;
    d.deployCommand.clear();
    storeDraft(d);
    const auto note = std::filesystem::path(env.home().path()) / "shared/readme.txt";
    tarvo_test::writeFile(note, "read me\n");
    auto& c = *env.start({pathItem(note), pathItem(makeProject())});
    c.artifactInsight = projectInsight();
    c.primaryArtifactProviderIndex = 1;
    tapSend();
    // A new scan result arrives while the first item uploads: the project first, the note second.
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return !server().requestsTo("/ws/cmd").empty(); }, 20000ms));
    std::swap(c.providers[0], c.providers[1]);
    c.primaryArtifactProviderIndex = 0;
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return c.sendTask->isDone(); }, 60000ms));
    env.runUntilIdle();

    EXPECT_EQ(c.statusLabel->text.rfind("Run accepted", 0), 0u) << c.statusLabel->text;
    const Json submit = parseJson(server().requestsTo("/api/jobs/submit")[0]["body_text"].get<std::string>());
    EXPECT_EQ(submit["title"], "Unzip project.zip");
    EXPECT_TRUE(std::filesystem::is_regular_file(filesRoot() / "sites/demo/readme.txt"));
}

// Decided: a cancelled send never completes the share and never counts as a success; the
// partly sent file never appears under its final name.
TEST_F(UploadFlowTest, CancelDuringTheUpload) {
    env.setServers(Json::array({env.server("a", "Box")}));
    storeDraft(recipeDraft("a"));
    const auto big = std::filesystem::path(env.home().path()) / "shared/big.zip";
    tarvo_test::writeFile(big, std::string(24 << 20, 'z'));
    auto& c = *env.start({pathItem(big)});
    watchOutcomes();
    tapSend();
    // Cancel once some of the file is on its way.
    ASSERT_TRUE(env.mainQueue().runUntil(
        [&] { return c.uploadProgressLabel->text.find("file ") != std::string::npos; }, 30000ms))
        << c.uploadProgressLabel->text;
    env.driver().tap(std::string(tarvo::share::roles::cancelButton));
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return c.sendTask->isDone(); }, 30000ms));
    env.runUntilIdle();

    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::cancelled);
    EXPECT_EQ(outcomes, 1);
    EXPECT_FALSE(c.transferFinished);
    EXPECT_EQ(c.statusLabel->text.find("Run accepted"), std::string::npos);
    EXPECT_TRUE(server().requestsTo("/api/jobs/submit").empty());
    EXPECT_FALSE(std::filesystem::exists(filesRoot() / "sites/demo/big.zip"));
    // Completing afterwards changes nothing: the first end wins.
    env.context().completeRequest({});
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::cancelled);
    EXPECT_EQ(outcomes, 1);
}

// Decided: a success reported after the cancel (the flow's last step was already under way)
// neither completes the share nor shows success.
TEST_F(UploadFlowTest, ASuccessAfterTheCancelIsNotReported) {
    env.setServers(Json::array({env.server("a", "Box")}));
    auto& c = *env.start({env.textItem("x")});
    watchOutcomes();
    env.driver().tap(std::string(tarvo::share::roles::cancelButton));
    auto late = startTask(env.mainQueue().executor(), [&]() { return c.finishSuccessfulShare("Uploaded"); });
    env.runUntilIdle();
    EXPECT_NE(c.statusLabel->text, "Uploaded");
    EXPECT_FALSE(c.transferFinished);
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::cancelled);
    EXPECT_EQ(outcomes, 1);
    // Cancelling a completed share changes nothing either.
    ShareTestEnvironment other(ShareTestEnvironment::Options{false, true});
    other.setServers(Json::array({other.server("a", "Box")}));
    auto& d = *other.start({other.textItem("x")});
    auto done = startTask(other.mainQueue().executor(), [&]() { return d.finishSuccessfulShare("Sent"); });
    other.runUntilIdle();
    other.driver().tap(std::string(tarvo::share::roles::cancelButton));
    EXPECT_EQ(other.context().outcome().state, NSExtensionContext::RequestState::completed);
}

}  // namespace
}  // namespace share_test
