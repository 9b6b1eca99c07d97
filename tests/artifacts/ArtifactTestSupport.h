#pragma once
// Helpers shared by the artifact and smart-share tests.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoShareExtension/ArtifactArchiveEntry.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TempHome.h"

namespace tarvo::testing {

inline ArtifactArchiveEntry entry(std::string path, std::uint32_t crc = 0, std::uint64_t size = 0) {
    return ArtifactArchiveEntry{std::move(path), crc, size};
}

// A defaults store in a fresh temporary Tarvo home, removed afterwards.
class TempDefaults : public ::testing::Test {
protected:
    void SetUp() override {
        defaults_ = platform::UserDefaults::atPath(home_.path() + "/group.sqlite");
        ASSERT_NE(defaults_, nullptr);
    }
    void TearDown() override { defaults_.reset(); }
    platform::UserDefaults& defaults() { return *defaults_; }

private:
    tarvo_test::TempHome home_{"artifacts"};
    std::shared_ptr<platform::UserDefaults> defaults_;
};

}  // namespace tarvo::testing
