#pragma once
// A fresh Tarvo home per test: every store and container the test touches lives in it.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace tarvo_test {

class TempHome {
public:
    TempHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-foundation-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        if (!made) throw std::runtime_error("mkdtemp failed");
        path_ = made;
        setenv("TARVO_HOME", path_.c_str(), 1);
    }
    ~TempHome() {
        unsetenv("TARVO_HOME");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

class HomeTest : public ::testing::Test {
protected:
    TempHome home_;
};

}  // namespace tarvo_test
