// Starting a post-upload recipe against the loopback server: the job submission, the detached
// run that stands in for it on a server without a job API (really run by the server's bash on
// a real upload), the failures that pass through, and the recipes refused before sending.
#include <gtest/gtest.h>

#include <filesystem>

#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "TarvoShareExtension/Intake/ZipListingReader.h"
#include "TarvoShareExtension/Remote/RemoteTransferError.h"
#include "TarvoShareExtension/ShareViewController/Recipe/PostUploadRecipeLaunch.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"
#include "tests/cmdstream/CmdStreamTestSupport.h"
#include "tests/share/ShareTestSupport.h"
#include "tests/support/Files.h"
#include "tests/support/Process.h"
#include "tests/support/TempHome.h"

namespace tarvo::share {
namespace {

namespace fs = std::filesystem;
using cmdstream_test::streamRequests;
using platform::Json;
using remote_test::failureText;
using remote_test::runTask;
using share_test::unordered;

auto start(RemoteAPI api, ServerProfile server, Draft draft, std::string remotePath, std::string filename,
           PostUploadRecipeContext context) {
    return [=]() -> platform::Async<PostUploadRecipeLaunch> {
        co_return co_await startSinglePostUploadRecipe(api, server, draft, remotePath, filename, context);
    };
}

class RecipeLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A project with scripts in two folders, zipped and "uploaded" into drop/ on the server.
        tarvo_test::TempDir src("recipe-src");
        const std::string body = "echo \"$(basename \"$0\") ran\" >> ran.log\necho \"$(basename \"$0\") done\"\n";
        tarvo_test::writeFile(fs::path(src.path()) / "app/deploy.sh", body);
        tarvo_test::writeFile(fs::path(src.path()) / "app/tools/seed.sh", body);
        zip_ = fs::path(peer_.filesRoot()) / "drop/app.zip";
        fs::create_directories(zip_.parent_path());
        auto zipped = tarvo_test::runProgram("bash", {"-c", "cd -- \"$1\" && zip -qr \"$2\" app", "bash", src.path(),
                                                      zip_.string()});
        ASSERT_EQ(zipped.exitCode, 0) << zipped.err;

        const auto entries = listZipEntries(platform::URL::fileURL(zip_.string()), 4000);
        const auto signature = ArtifactProjectSignature::make(entries);
        context_.insight.state = ArtifactInsightState::ready();
        context_.insight.isZip = true;
        context_.insight.projectSignature = signature;
        context_.insight.baseShellCandidates = context_.insight.shellCandidates =
            ArtifactCandidateRanker::candidates(entries, signature.markers, signature.scriptFingerprints);
        ASSERT_EQ(context_.insight.shellCandidates.size(), 2u);
        context_.delivery = notificationDelivery(server_, "", "relay-token", "device-1");

        server_.id = "srv";
        server_.urlString = peer_.baseURL();
        server_.token = peer_.options().token;
        draft_.action = ShareAction::upload;
        draft_ = draftBySelectingAll(draft_);
    }

    Draft draftBySelectingAll(Draft d) {
        for (const auto& c : context_.insight.shellCandidates) d = draftTogglingShellCandidate(d, c, context_.insight.shellCandidates);
        return d;
    }

    PostUploadRecipe expectedRecipe() const {
        return makePostUploadRecipe(server_, draft_, "drop/app.zip", "app.zip", context_);
    }

    peer::PeerServer peer_;
    RemoteAPI api_ = cmdstream_test::streamAPI(peer_);
    fs::path zip_;
    ServerProfile server_;
    Draft draft_;
    PostUploadRecipeContext context_;
};

TEST_F(RecipeLaunchTest, RegistersTheRecipeAsAJob) {
    const auto launch = runTask(start(api_, server_, draft_, "drop/app.zip", "app.zip", context_));
    EXPECT_EQ(launch, (PostUploadRecipeLaunch{std::string("job-1"), "run-1"}));

    const Json submitted = peer_.requestsTo("/api/jobs/submit");
    ASSERT_EQ(submitted.size(), 1u);
    const Json body = Json::parse(submitted[0]["body_text"].get<std::string>());
    EXPECT_EQ(unordered(body), unordered(expectedRecipe().payload));
    EXPECT_EQ(body["title"], "Run 2 scripts");
    EXPECT_EQ(streamRequests(peer_).size(), 0u);  // the server starts the run itself
}

TEST_F(RecipeLaunchTest, WithoutAJobAPITheServerRunsTheSameLineDetached) {
    for (int status : {404, 405}) {
        peer_.reset();
        fs::remove_all(fs::path(peer_.filesRoot()) / "drop/app");
        peer_.addRule(Json{{"path", "/api/jobs/submit"}, {"status", status}});
        const auto launch = runTask(start(api_, server_, draft_, "drop/app.zip", "app.zip", context_));
        EXPECT_EQ(launch.jobID, std::nullopt);
        EXPECT_EQ(launch.runID.rfind("run-", 0), 0u) << launch.runID;

        const Json streams = streamRequests(peer_);
        ASSERT_EQ(streams.size(), 1u);
        const Json startFrame = streams[0]["ws"]["start"];
        const PostUploadRecipe recipe = expectedRecipe();
        EXPECT_EQ(startFrame["shell_line"], recipe.shellLine);
        EXPECT_EQ(startFrame["cwd"], "");
        EXPECT_EQ(startFrame["persist"], true);
        EXPECT_EQ(unordered(startFrame["run_policy"]), unordered(recipe.runPolicy));
        EXPECT_FALSE(startFrame.contains("llm"));  // the server has no model settings
        EXPECT_EQ(launch.runID, streams[0]["ws"]["run_id"]);

        // The run goes on after the client left: unzip, then each script in its own folder.
        const fs::path extracted = fs::path(peer_.filesRoot()) / "drop/app/app";
        const fs::path logPath = streams[0]["ws"]["log_path"].get<std::string>();
        EXPECT_TRUE(tarvo_test::testQueue().runUntil([&] {
            return tarvo_test::readFile(logPath).find("deploy.sh done\nseed.sh done\n") != std::string::npos;
        }, cmdstream_test::kSettleLimit)) << tarvo_test::readFile(logPath);
        EXPECT_EQ(tarvo_test::readFile(extracted / "ran.log"), "deploy.sh ran\n");
        EXPECT_EQ(tarvo_test::readFile(extracted / "tools/ran.log"), "seed.sh ran\n");
        EXPECT_EQ(tarvo_test::readFile(logPath).rfind("Tarvo recipe started\n", 0), 0u);
    }
}

TEST_F(RecipeLaunchTest, OtherFailuresPassThrough) {
    const std::vector<std::pair<Json, std::string>> cases = {
        {Json{{"status", 401}}, "Authentication failed"},
        {Json{{"status", 500}, {"json", {{"error", "db locked"}}}}, "Server error: db locked"},
        {Json{{"status", 200}, {"json", {{"ok", true}}}}, "Could not decode response"},
    };
    for (const auto& [rule, text] : cases) {
        Json r = rule;
        r["path"] = "/api/jobs/submit";
        peer_.addRule(r);
        EXPECT_EQ(failureText<RemoteFailure>(start(api_, server_, draft_, "drop/app.zip", "app.zip", context_)), text);
    }
    EXPECT_EQ(streamRequests(peer_).size(), 0u);

    // The detached start's own failure reaches the caller as it is.
    peer_.addRule(Json{{"path", "/api/jobs/submit"}, {"status", 404}});
    cmdstream_test::script(peer_, {cmdstream_test::frame("exit", {{"code", 3}})});
    EXPECT_EQ(failureText<RemoteTransferError>(start(api_, server_, draft_, "drop/app.zip", "app.zip", context_)),
              "Upload failed: command exited before run metadata arrived (exit 3): ");
}

TEST_F(RecipeLaunchTest, RecipesRefusedOrEmptySendNothing) {
    Draft none = draft_;
    none.postUploadAction = PostUploadAction::none;
    EXPECT_EQ(runTask(start(api_, server_, none, "drop/app.zip", "app.zip", context_)), PostUploadRecipeLaunch{});

    EXPECT_EQ(failureText<RemoteTransferError>(start(api_, server_, draft_, "drop/notes.txt", "notes.txt ", context_)),
              "Upload failed: after-upload unzip selected, but notes.txt  is not a .zip file");
    // The upload kept no extension: extracting would first delete the upload itself.
    tarvo_test::writeFile(fs::path(peer_.filesRoot()) / "drop/app", "zip bytes");
    EXPECT_EQ(failureText<RemoteTransferError>(start(api_, server_, draft_, "drop/app", "app.zip", context_)),
              "Upload failed: after-upload unzip selected, but the extraction folder drop/app is the uploaded file "
              "itself");
    EXPECT_EQ(tarvo_test::readFile(fs::path(peer_.filesRoot()) / "drop/app"), "zip bytes");
    EXPECT_EQ(peer_.requests().size(), 0u);
}

}  // namespace
}  // namespace tarvo::share
