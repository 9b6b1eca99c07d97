#pragma once
// Helpers for the intake tests: scratch folders, a private temporary directory for the code
// under test, running a coroutine to its end, file and hex helpers, and the archive tools.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>

#include "platform/concurrency/Async.h"
#include "platform/filesystem/FileManager.h"

namespace intake_test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary directory, removed with its contents.
class ScratchDir {
public:
    ScratchDir() {
        std::string tmpl = (fs::temp_directory_path() / "tarvo-intake-XXXXXX").string();
        char* made = ::mkdtemp(tmpl.data());
        if (!made) throw std::runtime_error("mkdtemp failed");
        path_ = made;
    }
    ~ScratchDir() {
        std::error_code ec;
        // Make everything removable first (tests take permissions away).
        for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        fs::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

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
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe)) text.append(buf, n);
    int status = ::pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\"'\"'";
        else out += c;
    }
    return out + "'";
}

// Points the code under test at its own temporary directory for the test's duration.
class IntakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(tmp_ / "out");
        platform::FileManager::defaultManager().setTemporaryDirectoryForTesting(outDir());
    }
    void TearDown() override { platform::FileManager::defaultManager().setTemporaryDirectoryForTesting(std::nullopt); }

    std::string outDir() const { return tmp_ / "out"; }
    std::string in(const std::string& rel) const { return tmp_ / ("in/" + rel); }

    ScratchDir tmp_;
};

// Runs an operation to its end on a private io_context; rethrows its failure.
template <class T>
T run(platform::Async<T> op) {
    boost::asio::io_context io;
    std::optional<T> result;
    std::exception_ptr error;
    bool finished = false;
    boost::asio::co_spawn(
        io,
        [&op]() -> platform::Async<std::optional<T>> { co_return std::optional<T>(co_await std::move(op)); },
        [&](std::exception_ptr e, std::optional<T> v) {
            finished = true;
            error = e;
            result = std::move(v);
        });
    io.run();
    if (!finished) throw std::runtime_error("operation did not finish");
    if (error) std::rethrow_exception(error);
    return std::move(*result);
}

}  // namespace intake_test
