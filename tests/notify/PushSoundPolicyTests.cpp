#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "Core/PushSoundConfig.h"
#include "Core/PushSoundPolicy.h"
#include "NotifyTestSupport.h"
#include "ServiceHarness.h"

using platform::Json;
using tarvo::PushSoundPolicy;

namespace {

class PushSound : public notifytest::AppGroupFixture {};

std::optional<std::string> opt(const char* s) { return s ? std::optional<std::string>(s) : std::nullopt; }

}  // namespace

TEST(PushSoundTokens, NormalisationVocabulary) {
    struct Case {
        const char* raw;
        const char* token;  // nullptr: no token
    };
    const Case cases[] = {
        {nullptr, nullptr}, {"", nullptr},      {" \n\t", nullptr},  {"null", nullptr}, {" NULL ", nullptr},
        {"none", "none"},   {"Silent", "none"}, {" OFF ", "none"},   {"0", "none"},      {"FALSE", "none"},
        {"default", "default"}, {"\u00A0Default\u3000", "default"}, {"Chime.CAF", "Chime.CAF"},
        {" chime ", "chime"}, {"nul", "nul"}, {"00", "00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PushSoundPolicy::normalizeToken(opt(c.raw)), opt(c.token)) << (c.raw ? c.raw : "(nothing)");
    }
}

TEST_F(PushSound, StoredMapReplacesTheBuiltInOneOnlyWhenUsable) {
    const auto& builtIn = tarvo::PushSoundDefaults::defaultSoundMap();
    ASSERT_EQ(builtIn.size(), 6u);
    for (const char* key : {"clipboard", "voice", "image", "cmd", "shell", "error"}) EXPECT_EQ(builtIn.at(key), "default");

    auto suite = group();
    EXPECT_EQ(PushSoundPolicy::soundMap(suite.get()), builtIn) << "nothing stored";
    EXPECT_EQ(PushSoundPolicy::soundMap(nullptr), builtIn);

    const char* unusable[] = {"   ", "[1,2]", "\"text\"", "{not json", "{\" \": \"x\", \"a\": \"  \"}", "{}", "42"};
    for (const char* stored : unusable) {
        suite->set("push.soundMapJSON", std::string(stored));
        EXPECT_EQ(PushSoundPolicy::soundMap(suite.get()), builtIn) << stored;
    }

    suite->set("push.soundMapJSON",
               std::string(R"({" voice ": " chime.caf ", "n": 0, "f": 1.5, "t": true, "z": false, "nil": null,
                               "list": ["a"], "empty": ""})"));
    const std::map<std::string, std::string> expected{
        {"voice", "chime.caf"}, {"n", "0"}, {"f", "1.5"}, {"t", "1"}, {"z", "0"}, {"nil", "<null>"}, {"list", "[\"a\"]"},
    };
    EXPECT_EQ(PushSoundPolicy::soundMap(suite.get()), expected);

    // A value of another type than text (written by hand) counts as no map.
    suite->set("push.soundMapJSON", platform::PropertyList(platform::PropertyList::Dictionary{{"cmd", "none"}}));
    EXPECT_EQ(PushSoundPolicy::soundMap(suite.get()), builtIn);
}

TEST_F(PushSound, DefaultTokenIsTrimmedButNotNormalised) {
    auto suite = group();
    EXPECT_EQ(PushSoundPolicy::defaultToken(suite.get()), "default");
    suite->set("push.soundDefault", std::string("  \n"));
    EXPECT_EQ(PushSoundPolicy::defaultToken(suite.get()), "default");
    suite->set("push.soundDefault", std::string(" OFF "));
    EXPECT_EQ(PushSoundPolicy::defaultToken(suite.get()), "OFF");
    EXPECT_EQ(PushSoundPolicy::defaultToken(nullptr), "default");
}

// The precedence and every fallback, end to end through the service: the push's fields, the
// settings in the app group, and the sound folder.
TEST_F(PushSound, PrecedenceFromPushToSettingsToBundle) {
    addSounds({"chime.caf", "alert.old.caf", "ping.wav", "Chime.CAF", "noext"});
    struct Case {
        const char* name;
        const char* soundMap;      // push.soundMapJSON, or nullptr
        const char* soundDefault;  // push.soundDefault, or nullptr
        Json userInfo;
        const char* sound;
    };
    const Json chimeAps = {{"sound", "chime.caf"}};
    const Case cases[] = {
        {"no settings, built-in kind", nullptr, nullptr, {{"kind", "cmd"}}, "default"},
        {"no settings, unmapped kind", nullptr, nullptr, {{"kind", "deploy"}}, "default"},
        {"no kind at all", nullptr, nullptr, Json::object(), "default"},
        {"standard sound in bundle", nullptr, nullptr, {{"aps", chimeAps}}, "named:chime.caf"},
        {"standard sound missing", nullptr, nullptr, {{"aps", {{"sound", "gong.caf"}}}}, "default"},
        {"standard sound untrimmed", nullptr, nullptr, {{"aps", {{"sound", "  chime.caf \n"}}}}, "named:chime.caf"},
        {"standard sound as dictionary", nullptr, "off", {{"aps", {{"sound", {{"name", "chime.caf"}}}}}}, "none"},
        {"map entry for sound key wins", R"({"alarm":"ping.wav"})", nullptr,
         {{"sound_key", " alarm "}, {"aps", chimeAps}}, "named:ping.wav"},
        {"unknown sound key hides the standard sound", R"({"cmd":"Silent"})", nullptr,
         {{"sound_key", "ghost"}, {"aps", chimeAps}, {"kind", "cmd"}}, "none"},
        {"unknown sound key, unmapped kind: default token", R"({"cmd":"Silent"})", "ping.wav",
         {{"sound_key", "ghost"}, {"aps", chimeAps}, {"kind", "x"}}, "named:ping.wav"},
        {"blank sound key lets the standard sound in", R"({"cmd":"Silent"})", nullptr,
         {{"sound_key", "  "}, {"aps", chimeAps}, {"kind", "cmd"}}, "named:chime.caf"},
        {"kind mapped to silence", R"({"cmd":"Silent"})", nullptr, {{"kind", "cmd"}}, "none"},
        {"kind lookup is trimmed but exact", R"({"cmd":"Silent"})", nullptr, {{"kind", " cmd "}}, "none"},
        {"kind lookup keeps letter case", R"({"cmd":"Silent"})", nullptr, {{"kind", "CMD"}}, "default"},
        {"standard sound beats the kind", R"({"cmd":"Silent"})", nullptr, {{"kind", "cmd"}, {"aps", chimeAps}},
         "named:chime.caf"},
        {"stored map replaces the built-in one", R"({"voice":"chime.caf"})", "off", {{"kind", "clipboard"}}, "none"},
        {"stored map entry applies", R"({"voice":"chime.caf"})", "off", {{"kind", "voice"}}, "named:chime.caf"},
        {"array map falls back to built-in", "[1]", "off", {{"kind", "cmd"}}, "default"},
        {"malformed map falls back to built-in", "{\"cmd\":", "off", {{"kind", "cmd"}}, "default"},
        {"blank map falls back to built-in", R"({" ":"x","y":" "})", "off", {{"kind", "cmd"}}, "default"},
        {"number 0 means silence", R"({"cmd":0})", nullptr, {{"kind", "cmd"}}, "none"},
        {"null entry is skipped", R"({"cmd":"null"})", "chime.caf", {{"kind", "cmd"}}, "named:chime.caf"},
        {"null standard sound is skipped", nullptr, "ping.wav", {{"aps", {{"sound", "NULL"}}}}, "named:ping.wav"},
        {"default token OFF", nullptr, "OFF", {{"kind", "deploy"}}, "none"},
        {"default token null", nullptr, "null", {{"kind", "deploy"}}, "default"},
        {"default token blank", nullptr, "  ", {{"kind", "deploy"}}, "default"},
        {"token Default with blanks", R"({"alarm":"  Default  "})", "off", {{"sound_key", "alarm"}}, "default"},
        {"token keeps its letter case", R"({"alarm":"Chime.CAF"})", nullptr, {{"sound_key", "alarm"}}, "named:Chime.CAF"},
        {"lookup is exact in letter case", R"({"alarm":"CHIME.caf"})", nullptr, {{"sound_key", "alarm"}}, "default"},
        {"two dots: name alert.old, type caf", R"({"alarm":"alert.old.caf"})", nullptr, {{"sound_key", "alarm"}},
         "named:alert.old.caf"},
        {"name without extension", nullptr, nullptr, {{"aps", {{"sound", "noext"}}}}, "named:noext"},
        {"silence words in the push", nullptr, nullptr, {{"aps", {{"sound", "false"}}}}, "none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto suite = group();
        suite->removeObject("push.soundMapJSON");
        suite->removeObject("push.soundDefault");
        setSettings(c.soundMap ? opt(c.soundMap) : std::nullopt, c.soundDefault ? opt(c.soundDefault) : std::nullopt);
        auto delivered = notifytest::receive({"", "", "", c.userInfo});
        EXPECT_EQ(delivered.sound(), c.sound);
        EXPECT_EQ(delivered.handlerCalls, 1);
    }
}

// A sound name from a push or a setting names a file in the sound folder and nothing else.
TEST_F(PushSound, SoundNamesNeverReachOutsideTheSoundFolder) {
    addSounds({"chime.caf", ".caf", "x."});
    notifytest::writeFile(root_ / "bundle" / "secret.caf", "outside");
    notifytest::writeFile(sounds_ / "sub" / "inner.caf", "nested");
    notifytest::writeFile(root_ / "bundle" / "Sounds.caf", "sibling");
    const auto& bundle = platform::Bundle::main();
    ASSERT_TRUE(PushSoundPolicy::bundleHasResource("chime.caf", bundle));
    ASSERT_TRUE(PushSoundPolicy::bundleHasResource(" chime.caf ", bundle));

    const std::string unsafe[] = {
        "../secret.caf", "..", ".", "sub/inner.caf", "sub", "/etc/passwd", "..\\secret.caf", "sub\\inner.caf",
        std::string("chime.caf\0.wav", 14), std::string("chime\0.caf", 10), ".caf", "x.", "", "  ",
        "../Sounds.caf", root_.string() + "/bundle/secret.caf",
    };
    for (const auto& name : unsafe) {
        EXPECT_FALSE(PushSoundPolicy::bundleHasResource(name, bundle)) << name;
        EXPECT_EQ(PushSoundPolicy::notificationSound(name, bundle), platform::UNNotificationSound::defaultSound())
            << name;
        auto delivered = notifytest::receive({"", "", "", {{"aps", {{"sound", name}}}}});
        EXPECT_EQ(delivered.sound(), "default") << name;
    }
}
