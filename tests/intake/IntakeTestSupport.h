#pragma once
// Helpers for the intake tests: a private temporary directory for the code under test, running
// a coroutine to its end (tests/support/RunTask.h), hex helpers, and the archive tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/concurrency/Async.h"
#include "platform/filesystem/FileManager.h"
#include "tests/support/Files.h"
#include "tests/support/Process.h"
#include "tests/support/RunTask.h"
#include "tests/support/TempHome.h"

namespace intake_test {

namespace fs = std::filesystem;

using tarvo_test::permissionsOf;
using tarvo_test::readFile;
using tarvo_test::setModificationTime;
using tarvo_test::TempDir;
using tarvo_test::writeFile;

inline std::string hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

inline std::string unhex(const std::string& text) {
    std::string out;
    std::string digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

// Files directly in dir (names only), sorted.
inline std::vector<std::string> listNames(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs a command through the shell; returns its exit status and fills output with stdout
// and stderr.
inline int runCommand(const std::string& command, std::string* output = nullptr) {
    auto result = tarvo_test::runProgram("/bin/sh", {"-c", command + " 2>&1"});
    std::cerr << result.err;  // what escaped the redirection, as when it shared the test's stderr
    if (output) *output = result.out;
    return result.exitCode;
}

inline std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\"'\"'";
        else out += c;
    }
    return out + "'";
}

// A temporary directory of the test's own: the code under test is given outDir() as the share's
// temporary folder, and the platform's item providers put their handed copies there too.
class IntakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(tmp_ / "out");
        platform::FileManager::defaultManager().setTemporaryDirectoryForTesting(outDir());
    }
    void TearDown() override { platform::FileManager::defaultManager().setTemporaryDirectoryForTesting(std::nullopt); }

    std::string outDir() const { return tmp_ / "out"; }
    std::string in(const std::string& rel) const { return tmp_ / ("in/" + rel); }

    TempDir tmp_{"intake"};
};

using tarvo_test::runTask;

}  // namespace intake_test
