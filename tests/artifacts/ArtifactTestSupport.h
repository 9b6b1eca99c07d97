#pragma once
// Helpers shared by the artifact and smart-share tests.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoShareExtension/ArtifactArchiveEntry.h"
#include "platform/foundation/UserDefaults.h"

namespace tarvo::testing {

inline ArtifactArchiveEntry entry(std::string path, std::uint32_t crc = 0, std::uint64_t size = 0) {
    return ArtifactArchiveEntry{std::move(path), crc, size};
}

// A defaults store in a fresh temporary folder, removed afterwards.
class TempDefaults : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-artifacts-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        setenv("TARVO_HOME", dir_.c_str(), 1);
        defaults_ = platform::UserDefaults::atPath((dir_ / "group.sqlite").string());
        ASSERT_NE(defaults_, nullptr);
    }
    void TearDown() override {
        defaults_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    platform::UserDefaults& defaults() { return *defaults_; }

private:
    std::filesystem::path dir_;
    std::shared_ptr<platform::UserDefaults> defaults_;
};

}  // namespace tarvo::testing
