// tarvo-notify from its command line: the sample pushes against the sample app group, standard
// input, bad input, and where the sounds and settings come from.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "NotifyTestSupport.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/Files.h"
#include "tests/support/Process.h"
#include "tests/support/TempHome.h"

namespace fs = std::filesystem;

namespace {

const fs::path kExe = TARVO_NOTIFY_EXE;
const fs::path kSamples = fs::path(TARVO_SOURCE_DIR) / "samples" / "push";

using tarvo_test::readFile;

class NotifyHost : public ::testing::Test {
protected:
    void SetUp() override {
        auto info = platform::parseJson(readFile(kExe.parent_path() / "tarvo-notify.info.json"));
        group_ = info.at("APP_GROUP_ID").get<std::string>();
    }

    // The sample app group's sound settings, stored as the Tarvo app stores them.
    void writeSampleSettings() {
        auto suite = platform::UserDefaults::suite(group_);
        ASSERT_TRUE(suite);
        suite->set("push.soundMapJSON", readFile(kSamples / "sound-map.json"));
        std::string def = readFile(kSamples / "sound-default.txt");
        def.erase(std::remove(def.begin(), def.end(), '\n'), def.end());
        suite->set("push.soundDefault", def);
    }

    tarvo_test::ProcessResult run(const std::vector<std::string>& args, const std::string& input = "",
            const std::vector<std::pair<std::string, std::string>>& env = {}) {
        return tarvo_test::runProgram(kExe.string(), args, input, env);
    }

private:
    tarvo_test::TempDir dir_{"notify-host"};
    tarvo_test::ScopedEnv home_{"TARVO_HOME", (fs::path(dir_.path()) / "home").string()};
    tarvo_test::ScopedEnv noSounds_{"TARVO_SOUNDS_DIR", nullptr};
    tarvo_test::ScopedEnv noInfo_{"TARVO_BUNDLE_INFO", nullptr};
    tarvo_test::ScopedEnv noResources_{"TARVO_RESOURCES_DIR", nullptr};

protected:
    fs::path root_ = dir_.path();
    std::string group_;
};

}  // namespace

TEST_F(NotifyHost, SamplePushesOnTheSampleAppGroup) {
    writeSampleSettings();
    const std::map<std::string, std::string> expected{
        {"01-build-failed.json",
         R"({"title":"lab · Build failed","subtitle":"","body":"build.sh · 42s\nexit 2 · make: *** [all] Error 2","sound":"named:ping.wav"})"},
        {"02-deploy-succeeded.json",
         R"({"title":"web-1 · Deployment succeeded","subtitle":"","body":"site.zip → /srv/www · 1m 12s","sound":"named:chime.caf"})"},
        {"03-waiting-for-input.json",
         R"({"title":"lab · Run waiting for input","subtitle":"","body":"deploy.sh\nsudo password required","sound":"named:alert.old.caf"})"},
        {"04-degraded-sync.json",
         R"({"title":"nas · Sync completed with warning","subtitle":"","body":"3m\nThumbnails skipped: ffmpeg missing","sound":"none"})"},
        {"05-unstructured-artifact.json",
         R"({"title":"Upload finished","subtitle":"","body":"site.zip · succeeded","sound":"default"})"},
        {"06-not-a-run.json", R"({"title":"uptime","subtitle":"lab","body":"load average: 0.42","sound":"none"})"},
        {"07-explicit-sound.json",
         R"({"title":"Clipboard received","subtitle":"","body":"3 lines from lab","sound":"named:chime.caf"})"},
        {"08-unsafe-sound-name.json", R"({"title":"Run lost","subtitle":"","body":"job.sh","sound":"default"})"},
    };
    std::vector<std::string> samples;
    for (const auto& entry : fs::directory_iterator(kSamples)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 3 && std::isdigit(static_cast<unsigned char>(name[0])) && entry.path().extension() == ".json") {
            samples.push_back(name);
        }
    }
    std::sort(samples.begin(), samples.end());
    ASSERT_EQ(samples.size(), expected.size()) << "every sample push has its expected result";
    for (const auto& name : samples) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(expected.count(name));
        auto r = run({(kSamples / name).string()});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, expected.at(name) + "\n");
        EXPECT_EQ(r.err, "");
        // The same request on standard input gives the same result.
        auto piped = run({}, readFile(kSamples / name));
        EXPECT_EQ(piped.out, r.out);
    }
}

TEST_F(NotifyHost, BadInputIsRejectedWithExitTwo) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        const char* message;
    };
    const Case cases[] = {
        {"not JSON", {}, "title: hello", "not valid JSON"},
        {"empty input", {}, "", "not valid JSON"},
        {"array", {}, "[1, 2]", "must be a JSON object, not an array"},
        {"text", {}, "\"push\"", "must be a JSON object, not text"},
        {"title not text", {}, R"({"title": 5})", "\"title\" must be text, not a number"},
        {"user info not an object", {}, R"({"userInfo": []})", "\"userInfo\" must be a JSON object"},
        {"unknown key", {}, R"({"titel": "x"})", "unknown key \"titel\""},
        {"invalid UTF-8", {}, "{\"title\": \"\xff\"}", "not valid JSON"},
        {"too deep", {}, std::string(100000, '[') + std::string(100000, ']'), "not valid JSON"},
        {"too large", {}, "{\"body\": \"" + std::string(2 << 20, 'x') + "\"}", "larger than"},
        {"missing file", {"/nonexistent/push.json"}, "", "cannot open /nonexistent/push.json"},
        {"two arguments", {"a.json", "b.json"}, "", "usage: tarvo-notify"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = run(c.args, c.input);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    auto unknown = run({"--verbose"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown option: --verbose"), std::string::npos) << unknown.err;
    auto ok = run({}, "{}");
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.out, R"({"title":"","subtitle":"","body":"","sound":"default"})" "\n");
}

// Help goes to standard output with exit 0, also beside a file name, without reading input.
TEST_F(NotifyHost, HelpIsAnsweredOnStandardOutput) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"}, {"-h"}, {"push.json", "--help"}}) {
        auto r = run(args, "not read");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind("usage: tarvo-notify [REQUEST.json]", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("\"sound\""), std::string::npos);
    }
}

TEST_F(NotifyHost, SoundsAndSettingsComeFromTheProgramsOwnPlaces) {
    writeSampleSettings();
    const std::string bell = R"({"userInfo": {"aps": {"sound": "bell.caf"}}})";
    const std::string cmd = R"({"userInfo": {"kind": "cmd"}})";

    // The installed sound folder has no bell.caf; an override folder does, and replaces it.
    EXPECT_EQ(platform::parseJson(run({}, bell).out).at("sound"), "default");
    const fs::path sounds = root_ / "sounds";
    notifytest::writeFile(sounds / "bell.caf", "snd");
    auto overridden = run({}, bell, {{"TARVO_SOUNDS_DIR", sounds.string()}});
    EXPECT_EQ(platform::parseJson(overridden.out).at("sound"), "named:bell.caf");
    auto chime = run({}, R"({"userInfo": {"aps": {"sound": "chime.caf"}}})", {{"TARVO_SOUNDS_DIR", sounds.string()}});
    EXPECT_EQ(platform::parseJson(chime.out).at("sound"), "default");

    // The settings are the app group's: "cmd" is silent there, but not for a program whose
    // info names another group.
    EXPECT_EQ(platform::parseJson(run({}, cmd).out).at("sound"), "none");
    const fs::path otherInfo = root_ / "other.info.json";
    notifytest::writeFile(otherInfo, R"({"APP_GROUP_ID": "group.other"})");
    EXPECT_EQ(platform::parseJson(run({}, cmd, {{"TARVO_BUNDLE_INFO", otherInfo.string()}}).out).at("sound"), "default");
    // A later change in the app group applies to the next push.
    platform::UserDefaults::suite(group_)->set("push.soundMapJSON", std::string(R"({"cmd": "ping.wav"})"));
    EXPECT_EQ(platform::parseJson(run({}, cmd).out).at("sound"), "named:ping.wav");
}
