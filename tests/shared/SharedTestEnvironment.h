#pragma once
// Each test gets its own Tarvo home (so defaults stores start empty) and its own bundle info
// dictionary.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Json.h"

namespace tarvo::testing {

class SharedTestEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-shared-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
        ::setenv("TARVO_HOME", home_.c_str(), 1);
        setInfo(platform::Json{{"APP_GROUP_ID", "group.test.tarvo"}});
    }

    void TearDown() override {
        platform::Bundle::main().setInfoDictionaryForTesting(platform::Json::object());
        ::unsetenv("TARVO_HOME");
        std::error_code ec;
        std::filesystem::remove_all(home_, ec);
    }

    static void setInfo(platform::Json info) { platform::Bundle::main().setInfoDictionaryForTesting(std::move(info)); }

    const std::string& home() const { return home_; }

private:
    std::string home_;
};

}  // namespace tarvo::testing
