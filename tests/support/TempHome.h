#pragma once
// Scoped test surroundings: a fresh temporary directory, an environment variable, a private
// Tarvo home. Each puts back what it changed when it goes out of scope.
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace tarvo_test {

// A fresh directory "tarvo-<tag>-XXXXXX" under the system's temporary directory, removed with
// everything in it. Folders a test made unreadable are opened up again first.
class TempDir {
public:
    explicit TempDir(const std::string& tag = "test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::filesystem::path operator/(const std::string& relative) const { return std::filesystem::path(path_) / relative; }

private:
    std::string path_;
};

// Sets (or, given nullptr, unsets) an environment variable for one scope and then restores the
// value it had before.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const char* value);
    ScopedEnv(std::string name, const std::string& value) : ScopedEnv(std::move(name), value.c_str()) {}
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// TARVO_HOME pointed at a fresh temporary directory, so every store and container the code
// under test touches lives in it.
class TempHome {
public:
    explicit TempHome(const std::string& tag = "home") : dir_(tag), env_("TARVO_HOME", dir_.path()) {}

    const std::string& path() const { return dir_.path(); }
    std::filesystem::path operator/(const std::string& relative) const { return dir_ / relative; }

private:
    TempDir dir_;
    ScopedEnv env_;
};

// A test with a private Tarvo home.
class HomeTest : public ::testing::Test {
protected:
    TempHome home_;
};

}  // namespace tarvo_test
