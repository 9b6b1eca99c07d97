// The project insight of a share through the controller in a window: the scan of real items,
// the servers' recommendations over the loopback server, the smart-share plan and its card,
// the project's remembered server choices and automatic configuration, and tarvo-share showing
// them on the loopback server.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TarvoShareExtension/Intake/FolderZipWriter.h"
#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "TarvoShareExtension/ShareViewController/Smart/ArtifactInsightScan.h"
#include "TarvoShareExtension/ShareViewController/Smart/ProjectServerChoices.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "platform/foundation/Url.h"
#include "tests/share/linked/NVKTicketFixtures.h"
#include "tests/share/ShareTestEnvironment.h"
#include "tests/share/ShareTestSupport.h"
#include "tests/support/Files.h"
#include "tests/support/Process.h"

namespace share_test {
namespace {

namespace roles = tarvo::share::roles;
using namespace platform;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using tarvo::share::ArtifactInsightState;
using Files = std::map<std::string, std::string>;

class ShareInsightTest : public ::testing::Test {
protected:
    // A zip archive of the files (path -> contents) named `name`.
    std::string zip(const std::string& name, const Files& files) {
        const std::filesystem::path folder = env.home() / ("src-" + std::to_string(counter_++));
        for (const auto& [path, contents] : files) {
            std::filesystem::create_directories((folder / path).parent_path());
            std::ofstream(folder / path, std::ios::binary) << contents;
        }
        const std::filesystem::path out = env.home() / ("zips-" + std::to_string(counter_++));
        std::filesystem::create_directories(out);
        const tarvo::TempItem item = tarvo::archiveDirectoryToTemp(URL::fileURL(folder.string()), name, out.string());
        const std::filesystem::path named = out / name;
        std::filesystem::rename(item.url.path(), named);
        return named.string();
    }
    std::shared_ptr<NSItemProvider> zipItem(const std::string& name, const Files& files) {
        return NSItemProvider::contentsOf(zip(name, files));
    }
    std::shared_ptr<NSItemProvider> fileItem(const std::string& name, const std::string& contents) {
        const std::filesystem::path path = env.home() / ("file-" + std::to_string(counter_++)) / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << contents;
        return NSItemProvider::contentsOf(path.string());
    }
    static std::shared_ptr<NSItemProvider> failingItem(const std::string& reason) {
        auto provider = NSItemProvider::make();
        provider->setSuggestedName("broken.bin");
        provider->registerDataRepresentation("public.data", [reason](NSItemProvider::DataCompletion done) {
            done(std::nullopt, std::make_exception_ptr(NSError("TestDomain", 9, reason)));
        });
        return provider;
    }
    // The servers a, b, ... at the loopback server, then the controller on the items.
    tarvo::ShareViewController& start(int servers, std::vector<std::shared_ptr<NSItemProvider>> items) {
        Json list = Json::array();
        for (int i = 0; i < servers; ++i) list.push_back(env.server(std::string(1, char('a' + i)), "S" + std::to_string(i)));
        env.setServers(list);
        return *env.start(std::move(items));
    }
    Json recommendRequests() { return env.server()->requestsTo("/api/jobs/recommend"); }
    static Json recommendation(const std::string& script, int ok, int failed, const std::string& decision = "suggest",
                               bool exact = false, Json destinations = Json::array()) {
        Json rec = Json::object();
        rec["scriptPath"] = script;
        rec["score"] = 100;
        rec["evidence"] = Json::array({"ran here"});
        rec["successfulRunCount"] = ok;
        rec["failedRunCount"] = failed;
        Json reply = Json::object();
        reply["ok"] = true;
        reply["decision"] = decision;
        reply["exactMatch"] = exact;
        reply["recommendations"] = Json::array({rec});
        reply["destinations"] = std::move(destinations);
        return reply;
    }

    ShareTestEnvironment env{ShareTestEnvironment::Options{.loopbackServer = true}};
    const Files project{{"deploy.sh", "echo deploy\n"}, {"build.sh", "echo build\n"}, {"package.json", "{}"}};

private:
    int counter_ = 0;
};

// ---- The scan.

TEST_F(ShareInsightTest, ScanOutcomesThroughRealProviders) {
    struct Case {
        const char* name;
        std::function<std::vector<std::shared_ptr<NSItemProvider>>()> items;
        ArtifactInsightState::Case state;
        std::string message;  // prefix
        std::string filename;
        std::optional<std::size_t> primary;
        std::size_t providersAfter;
    };
    const Case cases[] = {
        {"a zip with scripts", [&] { return std::vector{zipItem("app.zip", project)}; }, ArtifactInsightState::Case::ready,
         "", "app.zip", 0, 1},
        {"a note", [&] { return std::vector{fileItem("note.txt", "hello")}; }, ArtifactInsightState::Case::unavailable,
         std::string(tarvo::share::kNotAZipMessage), "note.txt", 0, 1},
        {"two notes", [&] { return std::vector{fileItem("a.txt", "a"), fileItem("b.txt", "b")}; },
         ArtifactInsightState::Case::unavailable, std::string(tarvo::share::kNoSingleRunnableMessage), "2 shared items",
         std::nullopt, 2},
        {"a zip without scripts and a photo",
         [&] { return std::vector{zipItem("docs.zip", {{"docs/a.md", "#"}}), fileItem("photo.jpg", "\xFF\xD8\xFF")}; },
         ArtifactInsightState::Case::ready, "", "docs.zip \u00B7 project item 1/2", 0, 2},
        {"two zips with scripts", [&] { return std::vector{zipItem("a.zip", project), zipItem("b.zip", project)}; },
         ArtifactInsightState::Case::unavailable, std::string(tarvo::share::kMultipleRunnableMessage), "2 shared items",
         std::nullopt, 2},
        {"failing providers", [&] { return std::vector{failingItem("disk gone"), failingItem("no access")}; },
         ArtifactInsightState::Case::failed, "1: ", "0 shared items", std::nullopt, 0},
        {"a failing provider and a zip", [&] { return std::vector{failingItem("disk gone"), zipItem("app.zip", project)}; },
         ArtifactInsightState::Case::ready, "", "app.zip", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        env.server()->reset();
        auto& controller = start(1, c.items());
        const auto& insight = controller.artifactInsight;
        EXPECT_EQ(insight.state.kind(), c.state) << insight.state.message();
        EXPECT_THAT(insight.state.message(), StartsWith(c.message));
        EXPECT_EQ(insight.filename, c.filename);
        EXPECT_EQ(controller.primaryArtifactProviderIndex, c.primary);
        EXPECT_EQ(controller.providers.size(), c.providersAfter);
        const bool project = c.state == ArtifactInsightState::Case::ready && c.message.empty() &&
                             !insight.baseShellCandidates.empty();
        EXPECT_EQ(recommendRequests().size(), project ? 1u : 0u) << "a project is asked about";
        if (c.state == ArtifactInsightState::Case::failed) {
            // One line per item that could not be read, with the intake's reason.
            EXPECT_THAT(insight.state.message(), HasSubstr("\n2: "));
            EXPECT_EQ(std::count(insight.state.message().begin(), insight.state.message().end(), '\n'), 1);
        }
        env.releaseController();
    }
}

TEST_F(ShareInsightTest, AReadyInsightCarriesTheListingAndTheRankedScripts) {
    auto& c = start(1, {zipItem("site.zip", {{"site/deploy.sh", "echo d\n"}, {"site/src/main.c", "int main;"}})});
    const auto& insight = c.artifactInsight;
    ASSERT_TRUE(insight.state.is(ArtifactInsightState::Case::ready));
    EXPECT_TRUE(insight.isZip);
    EXPECT_EQ(insight.rootFolder, "site");
    EXPECT_EQ(insight.entryCount, 2);
    EXPECT_EQ(insight.totalUncompressedBytes, 16u);
    ASSERT_EQ(insight.baseShellCandidates.size(), 1u);
    EXPECT_EQ(insight.baseShellCandidates[0].path, "site/deploy.sh");
    ASSERT_TRUE(insight.projectSignature);
    EXPECT_EQ(insight.projectSignature->exactDigest.size(), 64u);
    EXPECT_EQ(c.typeKey, "zip");
}

TEST_F(ShareInsightTest, NothingSharedOrOnlyATicket) {
    auto& c = start(1, {fileItem("release.nvk-deploy.json", "{}")});
    EXPECT_TRUE(c.providers.empty()) << "the ticket is set aside, not sent";
    EXPECT_EQ(c.artifactInsight.state, ArtifactInsightState::unavailable("No shared items."));
    EXPECT_EQ(c.artifactInsight.filename, "");
    EXPECT_FALSE(c.artifactPreviewTask) << "no scan without items";
}

TEST(ShareInsightTicketTest, ATicketUnderAnotherNameIsTakenOutOfThePayloadByTheScan) {
    ShareTestEnvironment env{ShareTestEnvironment::Options{.now = kNowSeconds}};
    env.setServers(Json::array({env.server("a", "Alpha")}));
    const std::string path = (env.home() / "inner.nvk-deploy.json").string();
    writeFile(path, encodeCompact(nvkDeploymentTicket()));
    auto ticket = NSItemProvider::contentsOf(path);
    ticket->setSuggestedName("handoff");
    auto& c = *env.start({ticket});
    EXPECT_TRUE(c.deploymentSidecarProviders.empty()) << "its name did not give it away at start-up";
    EXPECT_TRUE(c.providers.empty()) << "the scan took it out of the payload";
    EXPECT_EQ(c.artifactInsight.state, ArtifactInsightState::unavailable(std::string(tarvo::share::kOnlySidecarMessage)));
    EXPECT_EQ(c.artifactInsight.filename, "0 shared items");
    EXPECT_TRUE(c.linkedDeployment.has_value()) << "and applied it";
}

TEST_F(ShareInsightTest, ASecondScanStartedBeforeTheFirstPublishesIsTheOneShown) {
    auto& c = start(1, {});
    // The first scan waits on an item that answers only when told.
    // (The loader runs on the provider queue: the completion is handed over under a lock.)
    struct Gate {
        std::mutex mutex;
        NSItemProvider::DataCompletion answer;
        std::atomic<bool> asked{false};
    };
    auto gate = std::make_shared<Gate>();
    auto slow = NSItemProvider::make();
    slow->setSuggestedName("first.txt");
    slow->registerDataRepresentation("public.data", [gate](NSItemProvider::DataCompletion done) {
        std::lock_guard lock(gate->mutex);
        gate->answer = std::move(done);
        gate->asked = true;
    });
    c.providers = {slow};
    c.scheduleArtifactPreviewScanIfNeeded();
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return gate->asked.load(); }, std::chrono::seconds(10)));
    EXPECT_TRUE(c.artifactInsight.state.is(ArtifactInsightState::Case::scanning));
    EXPECT_EQ(c.artifactInsight.filename, "first.txt");
    const auto first = *c.artifactPreviewTask;

    c.providers = {zipItem("second.zip", project)};
    c.scheduleArtifactPreviewScanIfNeeded();
    EXPECT_TRUE(first.isCancelled());
    {
        std::lock_guard lock(gate->mutex);
        gate->answer(ProviderData{'x'}, nullptr);
    }
    env.runUntilIdle();
    EXPECT_EQ(c.artifactInsight.filename, "second.zip");
    EXPECT_TRUE(c.artifactInsight.state.is(ArtifactInsightState::Case::ready));
    ASSERT_EQ(c.providers.size(), 1u);
    EXPECT_EQ(c.providers[0]->suggestedName(), "second.zip") << "the first scan's items were not published";
}

TEST_F(ShareInsightTest, AStaleRememberedRecipeIsClearedOnceTheInsightIsReady) {
    tarvo::share::Draft old = uploadDraft("a", "sites/app", tarvo::share::PostUploadAction::unzipThenRun);
    old.deployWorkingDirectory = tarvo::share::PostUploadWorkingDirectory::extractedFolder;
    old.deployCommand = "bash './old.sh'";
    env.storeDrafts({old});

    auto& c = start(1, {zipItem("app.zip", project)});
    EXPECT_EQ(c.draft.postUploadAction, tarvo::share::PostUploadAction::none);
    EXPECT_EQ(c.draft.deployCommand, "");
    EXPECT_EQ(c.deployCommandTextView->text, "");
    EXPECT_EQ(c.draft.destFolder, "sites/app") << "only the recipe goes";
    EXPECT_EQ(tarvo::share::ServerDraftStore::load(env.appGroupDefaults()).byServer.at("a").deployCommand, "");
}

// ---- Recommendations.

TEST_F(ShareInsightTest, OneRequestPerServerWithTheExactBodyAndNoneForTheSameQuestion) {
    auto& c = start(2, {zipItem("app.zip", project)});
    ASSERT_TRUE(c.artifactInsight.projectSignature);
    Json requests = recommendRequests();
    ASSERT_EQ(requests.size(), 2u);
    const Json expected =
        tarvo::RemoteAPI::recommendationRequestBody(*c.artifactInsight.projectSignature, c.artifactInsight.baseShellCandidates, "");
    for (const auto& r : requests) {
        EXPECT_EQ(unordered(parseJson(r["body_text"].get<std::string>())), unordered(expected));
    }
    EXPECT_EQ(c.serverRecommendationsByServer.size(), 2u);

    // Schedulings within the pause collapse into one batch.
    env.server()->reset();
    c.serverRecommendationRequestKeys.clear();
    for (int i = 0; i < 3; ++i) c.scheduleArtifactRecommendationRefresh();
    env.runUntilIdle();
    EXPECT_EQ(recommendRequests().size(), 2u);

    // A destination that differs only by blanks and slashes asks nothing again.
    env.server()->reset();
    c.resolvedDraftsByServer["b"].destFolder = "/ ";
    c.destFolderField->text = " //";
    c.draftFieldChanged();
    env.runUntilIdle();
    EXPECT_EQ(recommendRequests().size(), 0u);

    // Another folder is another question, for that server only.
    c.destFolderField->text = "sites/app";
    c.draftFieldChanged();
    env.runUntilIdle();
    requests = recommendRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(parseJson(requests[0]["body_text"].get<std::string>())["destination"], "sites/app");
    EXPECT_EQ(c.serverRecommendationRequestKeys.at("a"), c.artifactInsight.projectSignature->exactDigest + "|sites/app");
}

TEST_F(ShareInsightTest, RepliesAreAppliedByTheirRules) {
    env.server()->setRecommendation(recommendation("deploy.sh", 1, 0, "auto_select", true));
    auto& c = start(2, {zipItem("app.zip", project)});
    // The server vouches for its one successful script: both servers' drafts run it.
    EXPECT_EQ(c.draft.postUploadAction, tarvo::share::PostUploadAction::unzipThenRun);
    EXPECT_EQ(c.draft.deployCommand, "bash './deploy.sh'");
    EXPECT_EQ(c.deployCommandTextView->text, "bash './deploy.sh'") << "shown on the screen";
    EXPECT_EQ(c.resolvedDraftsByServer.at("b").deployCommand, "bash './deploy.sh'");
    EXPECT_EQ(c.autoAppliedRecipeServerIDs, (std::set<std::string>{"a", "b"}));
    ASSERT_TRUE(c.artifactInsight.recommendation);
    EXPECT_EQ(c.projectProofLine(), "proof 2\u00D7");
    EXPECT_TRUE(c.serverHasRecommendation(c.servers[1]));

    // Later replies for the same project leave what the person made of it alone.
    c.draft.deployCommand = "bash './build.sh'";
    c.draft.selectedScriptPaths = {"build.sh"};
    env.server()->setRecommendation(recommendation("deploy.sh", 9, 0, "auto_select", true));
    c.serverRecommendationRequestKeys.clear();
    c.scheduleArtifactRecommendationRefresh();
    env.runUntilIdle();
    EXPECT_EQ(c.draft.deployCommand, "bash './build.sh'");
    EXPECT_EQ(c.serverRecommendationsByServer.at("a").recommendations[0].successfulRunCount, 9) << "but it is stored";
    env.releaseController();

    // A thin record without the server vouching selects nothing; a failing server is never
    // believed; a server whose recipe the person edited keeps it.
    env.server()->setRecommendation(recommendation("deploy.sh", 1, 0, "suggest", false));
    env.server()->addRule(Json{{"path", "/api/jobs/recommend"}, {"status", 500}, {"times", 1}});
    auto& d = start(2, {zipItem("app.zip", project)});
    EXPECT_EQ(d.draft.postUploadAction, tarvo::share::PostUploadAction::none);
    EXPECT_EQ(d.serverRecommendationsByServer.size(), 1u) << "the failed request is dropped";
    env.server()->setRecommendation(recommendation("deploy.sh", 3, 0));
    d.markRecipeTouched(std::string("a"));
    d.markRecipeTouched(std::string("b"));
    d.serverRecommendationRequestKeys.clear();
    d.scheduleArtifactRecommendationRefresh();
    env.runUntilIdle();
    EXPECT_EQ(d.serverRecommendationsByServer.size(), 2u);
    EXPECT_EQ(d.draft.postUploadAction, tarvo::share::PostUploadAction::none);
    EXPECT_TRUE(d.autoAppliedRecipeServerIDs.empty());

    // A reply about another project changes nothing at all.
    tarvo::ArtifactProjectSignature other;
    other.exactDigest = "another";
    const auto before = d.serverRecommendationsByServer;
    d.applyArtifactRecommendation(tarvo::ArtifactRecommendationResponse{}, d.servers[0], other, "another|");
    EXPECT_EQ(d.serverRecommendationsByServer, before);
}

TEST_F(ShareInsightTest, BadRepliesChangeNothing) {
    Json unknownScript = recommendation("not/in/the/archive.sh", 50, 0, "auto_select", true);
    Json huge = recommendation("deploy.sh", 5, 0, "auto_select", true);
    for (int i = 0; i < 4001; ++i) huge["recommendations"].push_back(huge["recommendations"][0]);
    struct Case {
        const char* name;
        Json rule;
        bool stored;
    } cases[] = {
        {"not JSON", Json{{"path", "/api/jobs/recommend"}, {"body", "{\"ok\": tru"}, {"times", 0}}, false},
        {"a wrong type", Json{{"path", "/api/jobs/recommend"}, {"json", Json{{"ok", "yes"}}}, {"times", 0}}, false},
        {"huge", Json{{"path", "/api/jobs/recommend"}, {"json", huge}, {"times", 0}}, false},
        {"a script not in the archive", Json{{"path", "/api/jobs/recommend"}, {"json", unknownScript}, {"times", 0}},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        env.server()->reset();
        env.server()->addRule(c.rule);
        auto& controller = start(1, {zipItem("app.zip", project)});
        EXPECT_EQ(recommendRequests().size(), 1u);
        EXPECT_EQ(controller.serverRecommendationsByServer.size(), c.stored ? 1u : 0u);
        EXPECT_EQ(controller.draft.postUploadAction, tarvo::share::PostUploadAction::none);
        EXPECT_TRUE(controller.autoAppliedRecipeServerIDs.empty());
        EXPECT_EQ(controller.artifactInsight.shellCandidates.size(), controller.artifactInsight.baseShellCandidates.size());
        env.releaseController();
    }
}

TEST_F(ShareInsightTest, TheSuggestedDestinationIsOneTap) {
    Json destination = Json::object();
    destination["path"] = "/sites/app/";
    destination["score"] = 0.9;
    destination["evidence"] = Json::array({"used 3 times"});
    destination["successfulRunCount"] = 3;
    env.server()->setRecommendation(recommendation("deploy.sh", 0, 0, "suggest", false, Json::array({destination})));
    auto& c = start(1, {zipItem("app.zip", project)});
    ASSERT_FALSE(c.destinationSuggestionsStack->hidden);
    ASSERT_EQ(c.destinationSuggestionsStack->arrangedSubviews().size(), 1u);
    auto button = std::dynamic_pointer_cast<UIButton>(c.destinationSuggestionsStack->arrangedSubviews()[0]);
    ASSERT_TRUE(button && button->configuration);
    EXPECT_EQ(button->configuration->title, "Suggestion: /sites/app");
    EXPECT_EQ(button->configuration->subtitle, "used 3 times");
    EXPECT_EQ(button->configuration->image, "folder.badge.clock");

    env.driver().tap("Suggestion: /sites/app");
    env.runUntilIdle();
    EXPECT_EQ(c.destFolderField->text, "sites/app");
    EXPECT_EQ(c.draft.destFolder, "sites/app");
    EXPECT_TRUE(c.destinationSuggestionsStack->hidden) << "the folder in use is not suggested";
}

// ---- The plan, the project's choices and its automatic configuration.

TEST_F(ShareInsightTest, MakeAutomaticThenTheNextShareIsPreparedByThePlan) {
    {
        auto& c = start(2, {zipItem("app.zip", project)});
        env.server()->reset();
        // Before the project is known nothing can be saved.
        c.providers = {zipItem("app.zip", project)};
        c.scheduleArtifactPreviewScanIfNeeded();
        env.driver().tap(std::string(roles::makeAutomaticButton));
        EXPECT_EQ(c.statusLabel->text, tarvo::share::kWaitForInspectionStatus);
        EXPECT_FALSE(env.appGroupDefaults().object("share.smartAutomaticConfigurations.v1"));
        EXPECT_TRUE(env.window().feedback().impacts().empty()) << "a refusal is not felt";
        env.runUntilIdle();

        c.draft.action = tarvo::share::ShareAction::upload;
        c.draft.destFolder = "sites/app";
        c.draft.postUploadAction = tarvo::share::PostUploadAction::unzipThenRun;
        c.draft.deployWorkingDirectory = tarvo::share::PostUploadWorkingDirectory::extractedFolder;
        c.draft.deployCommand = "bash './deploy.sh'";
        c.applyDraftFieldsWithoutRefreshing(c.draft);
        env.driver().tap(std::string(roles::makeAutomaticButton));
        EXPECT_EQ(c.statusLabel->text, "Automatic preset updated \u00B7 1 server \u00B7 1 script.");
        EXPECT_EQ(env.window().feedback().impacts(),
                  std::deque<platform::UIImpactFeedbackStyle>{platform::UIImpactFeedbackStyle::medium});
        const std::string digest = c.artifactInsight.projectSignature->exactDigest;
        EXPECT_EQ(c.automaticConfigurationAppliedDigest, digest);
        EXPECT_EQ(env.appGroupDefaults().string("share.project.serverMode." + digest), "single");
        EXPECT_EQ(env.appGroupDefaults().string("share.project.singleServerId." + digest), "a");
        tarvo::SmartSharePresetMemoryStore stored(env.appGroupDefaults());
        ASSERT_EQ(stored.automaticConfigurations().size(), 1u);
        EXPECT_EQ(stored.automaticConfigurations()[0].selectedServerIDs, (std::vector<std::string>{"a"}));
        EXPECT_TRUE(stored.automaticConfigurations()[0].preferRegularForLinkedDeployment);
        ASSERT_EQ(stored.presets().size(), 1u);
        EXPECT_TRUE(stored.presets()[0].isExplicitAutomatic);
        EXPECT_EQ(stored.presets()[0].destinationFolder, "sites/app");
        EXPECT_EQ(stored.presets()[0].selectedScriptPaths, (std::vector<std::string>{"deploy.sh"}));
        env.releaseController();
    }
    // Next share of the same project, starting on the other server: the configuration brings
    // it back to a, once, and the plan prepares a's recipe and shows its card.
    env.appGroupDefaults().set("share.lastServerId", PropertyList("b"));
    env.appGroupDefaults().set("share.singleServerId", PropertyList("b"));
    auto& c = start(2, {zipItem("app.zip", project)});
    c.refreshSmartSharePlan(true);
    env.runUntilIdle();
    EXPECT_EQ(c.draft.serverId, "a");
    EXPECT_EQ(c.serverMode, tarvo::share::ServerMode::single);
    ASSERT_TRUE(c.smartSharePlan && c.smartSharePlan->preset);
    EXPECT_TRUE(c.smartSharePlan->preset->isExplicitAutomatic);
    EXPECT_EQ(c.draft.deployCommand, "bash './deploy.sh'");
    EXPECT_EQ(c.draft.destFolder, "sites/app");
    EXPECT_FALSE(c.smartPlanCard->hidden);
    EXPECT_EQ(c.smartPlanTitleLabel->text, "Memory");
    EXPECT_THAT(c.smartPlanSubtitleLabel->text, StartsWith("/sites/app \u00B7 "));
    EXPECT_THAT(c.smartPlanSubtitleLabel->text, HasSubstr("exact tree match"));
    EXPECT_TRUE(c.smartPlanEvidenceLabel->hidden);
    EXPECT_EQ(c.smartPlanApplyButton->configuration->title, "Use /sites/app");
    EXPECT_EQ(c.recipeOriginSummary("a"), "auto");

    // A second refresh finds nothing left to do: the same state as one quiet pass.
    const auto draft = c.draft;
    const auto plans = c.smartSharePlansByServer;
    c.refreshSmartSharePlan(true);
    EXPECT_EQ(c.draft, draft);
    EXPECT_EQ(c.smartSharePlansByServer, plans);

    // The person picks the other server by hand: the configuration is not applied again.
    c.automaticConfigurationAppliedDigest = c.artifactInsight.projectSignature->exactDigest;
    c.applyRememberedAutomaticConfigurationIfNeeded();
    EXPECT_EQ(c.draft.serverId, "a");

    // Apply plan after editing by hand brings the plan back and keeps it the person's choice.
    c.deployCommandTextView->text = "echo mine";
    c.draft.deployCommand = "echo mine";
    env.driver().tap(std::string(roles::smartPlanApplyButton));
    EXPECT_EQ(c.draft.deployCommand, "bash './deploy.sh'");
    EXPECT_EQ(c.deployCommandTextView->text, "bash './deploy.sh'");
    EXPECT_TRUE(c.manuallyEditedRecipeServerIDs.count("a"));
}

TEST_F(ShareInsightTest, RememberedProjectModeAndSelection) {
    std::string digest;
    {
        auto& c = start(3, {zipItem("app.zip", project)});
        digest = c.artifactInsight.projectSignature->exactDigest;
        // Persisting writes the global keys and the project's copy.
        c.serverMode = tarvo::share::ServerMode::multi;
        c.selectedServerIDs = {"c", "a", "gone"};
        c.persistMultiServerSelection();
        EXPECT_EQ(env.appGroupDefaults().string("share.serverMode"), "multi");
        const auto ids = env.appGroupDefaults().object("share.project.multiServerIds." + digest);
        ASSERT_TRUE(ids && ids->asArray());
        EXPECT_EQ(ids->asArray()->size(), 2u) << "only configured servers, in list order";
        EXPECT_EQ(*(*ids->asArray())[0].asString(), "a");
        c.serverMode = tarvo::share::ServerMode::single;
        c.draft.serverId = "zz";
        c.persistMultiServerSelection();
        EXPECT_EQ(env.appGroupDefaults().string("share.project.serverMode." + digest), "single");
        EXPECT_FALSE(env.appGroupDefaults().object("share.project.singleServerId." + digest))
            << "a server that is not configured is not remembered";
        env.releaseController();
    }
    env.appGroupDefaults().set("share.serverMode", PropertyList("single"));
    env.appGroupDefaults().set("share.project.serverMode." + digest, PropertyList("multi"));
    env.appGroupDefaults().set("share.project.multiServerIds." + digest,
                               PropertyList(PropertyList::Array{PropertyList("b"), PropertyList("c")}));
    auto& c = start(3, {zipItem("app.zip", project)});
    c.refreshSmartSharePlan(true);
    env.runUntilIdle();
    EXPECT_EQ(c.serverMode, tarvo::share::ServerMode::multi);
    EXPECT_EQ(c.serverModeControl->selectedSegmentIndex, 1);
    EXPECT_EQ(c.selectedServerIDs, (std::set<std::string>{"b", "c"}));
    EXPECT_EQ(c.rememberedProjectServerMode(), tarvo::share::ServerMode::multi);
    // The draft on the screen is one that is sent: the first selected server's.
    EXPECT_EQ(c.draft.serverId, "b");
    EXPECT_EQ(c.sendButton->displayedTitle(), "Upload \u2192 2");

    // The person's own mode change wins for the rest of the share.
    c.userTouchedServerMode = true;
    c.serverMode = tarvo::share::ServerMode::single;
    c.refreshSmartSharePlan(true);
    EXPECT_EQ(c.serverMode, tarvo::share::ServerMode::single);
}

// The project remembers single mode on one server, and the memory's plan for that server is
// applied without asking: the draft on the screen is the one with the plan, whether the
// remembered server is the one the share started on or another.
TEST_F(ShareInsightTest, TheRememberedSingleServerKeepsThePlanAppliedToIt) {
    std::optional<tarvo::ArtifactProjectSignature> signature;
    {
        auto& c = start(2, {zipItem("app.zip", project)});
        signature = c.artifactInsight.projectSignature;
        env.releaseController();
    }
    ASSERT_TRUE(signature);
    const std::string& digest = signature->exactDigest;
    for (const std::string remembered : {"a", "b"}) {
        SCOPED_TRACE("remembered server " + remembered);
        env.appGroupDefaults().removeObject(tarvo::SmartSharePresetMemoryStore::presetsKey);
        {
            tarvo::SmartSharePresetMemoryStore memory(env.appGroupDefaults());
            memory.setAutomaticPreset(remembered, "sites/app", *signature, "unzipThenRun", "extractedFolder", "",
                                      "bash './deploy.sh'", {"deploy.sh"}, {}, env.appGroupDefaults());
        }
        env.appGroupDefaults().set("share.project.serverMode." + digest, PropertyList("single"));
        env.appGroupDefaults().set("share.project.singleServerId." + digest, PropertyList(remembered));

        auto& c = start(2, {zipItem("app.zip", project)});
        env.runUntilIdle();
        EXPECT_EQ(c.serverMode, tarvo::share::ServerMode::single);
        EXPECT_EQ(c.draft.serverId, remembered);
        EXPECT_EQ(c.draft.postUploadAction, tarvo::share::PostUploadAction::unzipThenRun);
        EXPECT_EQ(c.draft.deployCommand, "bash './deploy.sh'");
        EXPECT_EQ(c.draft.destFolder, "sites/app");
        EXPECT_EQ(c.deployCommandTextView->text, "bash './deploy.sh'");
        EXPECT_EQ(c.destFolderField->text, "sites/app");
        EXPECT_EQ(c.postUploadButton->configuration->title, "Unzip + Run");
        EXPECT_EQ(c.resolvedDraftsByServer.at(remembered), c.draft);
        EXPECT_THAT(c.smartPlanSubtitleLabel->text, StartsWith("/sites/app \u00B7 "));
        EXPECT_EQ(c.serverButton->configuration->title, remembered == "a" ? "S0" : "S1");
        env.releaseController();
    }
}

// ---- tarvo-share on the loopback server.

std::string binary(const char* name) { return std::string(TARVO_BINARY_DIR) + "/" + name; }

TEST_F(ShareInsightTest, TarvoShareShowsTheServersRecommendationAndItsSuggestion) {
    Json destination = Json::object();
    destination["path"] = "sites/app";
    destination["score"] = 0.9;
    destination["evidence"] = Json::array({"used 3 times"});
    destination["successfulRunCount"] = 3;
    env.server()->setRecommendation(recommendation("deploy.sh", 2, 0, "auto_select", true, Json::array({destination})));
    const Json servers = Json::array({env.server("staging", "Staging box")});
    const auto write = tarvo_test::runProgram(binary("tarvo-defaults"),
                                              {"write", "group.nolvek.Tarvo", "servers.json", "--string", encodeCompact(servers)});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    const std::string archive = zip("app.zip", project);
    const auto r = tarvo_test::runProgram(binary("tarvo-share"),
                                          {"--do", "wait", "--do", "tap:Suggestion: /sites/app", "--do", "wait", archive});
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_THAT(r.out, HasSubstr("bash './deploy.sh'")) << r.out;
    EXPECT_THAT(r.out, HasSubstr("\"sites/app\"")) << "the suggestion was taken";
    EXPECT_EQ(recommendRequests().size(), 2u) << "once for the root, once for the suggested folder";

    // Made automatic in one run, the next share of the project shows the plan on its card.
    const auto automatic = tarvo_test::runProgram(binary("tarvo-share"), {"--do", "tap:makeAutomaticButton", archive});
    EXPECT_EQ(automatic.exitCode, 3) << automatic.err;
    EXPECT_THAT(automatic.out, HasSubstr("Automatic preset updated \u00B7 1 server \u00B7 1 script.")) << automatic.out;
    const auto next = tarvo_test::runProgram(binary("tarvo-share"), {"--do", "wait", archive});
    EXPECT_EQ(next.exitCode, 3) << next.err;
    EXPECT_THAT(next.out, HasSubstr("\"Memory\"")) << next.out;
    EXPECT_THAT(next.out, HasSubstr("/sites/app \u00B7 ")) << next.out;
    EXPECT_THAT(next.out, HasSubstr("Use /sites/app")) << next.out;
}

}  // namespace
}  // namespace share_test
