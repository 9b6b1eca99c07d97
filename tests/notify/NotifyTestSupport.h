#pragma once
// Shared by the notification tests: a private Tarvo home and app group per test, and a sound
// folder holding exactly the files a test lists.
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/Files.h"
#include "tests/support/ScopedBundleInfo.h"
#include "tests/support/TempHome.h"

namespace notifytest {

namespace fs = std::filesystem;

inline constexpr const char* kTestGroup = "group.test.notify";

using tarvo_test::writeFile;

// TARVO_HOME, the bundle's app group and its sound folder, all private to one test.
class AppGroupFixture : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(sounds_);
        platform::Bundle::main().setResourceDirectory(sounds_.string());
    }

    void addSounds(std::initializer_list<const char*> names) {
        for (const char* name : names) writeFile(sounds_ / name, "snd");
    }
    std::shared_ptr<platform::UserDefaults> group() const {
        auto suite = platform::UserDefaults::suite(kTestGroup);
        if (!suite) throw std::runtime_error("cannot open the test app group");
        return suite;
    }
    void setSettings(const std::optional<std::string>& soundMapJSON, const std::optional<std::string>& soundDefault) {
        auto suite = group();
        if (soundMapJSON) suite->set("push.soundMapJSON", *soundMapJSON);
        if (soundDefault) suite->set("push.soundDefault", *soundDefault);
    }

private:
    tarvo_test::TempDir dir_{"notify"};

protected:
    fs::path root_ = dir_.path();
    fs::path sounds_ = root_ / "bundle" / "Sounds";

private:
    tarvo_test::ScopedEnv home_{"TARVO_HOME", (root_ / "home").string()};
    tarvo_test::ScopedBundleInfo info_{platform::Json{{"APP_GROUP_ID", kTestGroup}}};
};

}  // namespace notifytest
