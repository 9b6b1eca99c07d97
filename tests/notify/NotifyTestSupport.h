#pragma once
// Shared by the notification tests: a private Tarvo home and app group per test, and a sound
// folder holding exactly the files a test lists.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/UserDefaults.h"

namespace notifytest {

namespace fs = std::filesystem;

inline constexpr const char* kTestGroup = "group.test.notify";

inline fs::path makeTempDir(const std::string& tag) {
    std::string pattern = (fs::temp_directory_path() / ("tarvo-" + tag + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return fs::path(pattern);
}

inline void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// TARVO_HOME, the bundle's app group and its sound folder, all private to one test.
class AppGroupFixture : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = makeTempDir("notify");
        ::setenv("TARVO_HOME", (root_ / "home").c_str(), 1);
        sounds_ = root_ / "bundle" / "Sounds";
        fs::create_directories(sounds_);
        platform::Bundle::main().setInfoDictionaryForTesting(platform::Json{{"APP_GROUP_ID", kTestGroup}});
        platform::Bundle::main().setResourceDirectoryForTesting(sounds_.string());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
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

    fs::path root_;
    fs::path sounds_;
};

}  // namespace notifytest
