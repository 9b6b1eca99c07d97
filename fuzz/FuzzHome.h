#pragma once
// A Tarvo home of the fuzzer's own, made once per process under the temporary directory and
// removed at its exit, so a run never reads or writes a person's settings.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzzing {

// Kept for the whole process (never freed), so the removal at exit can still read it.
inline const std::string& fuzzHome() {
    static const std::string* const home = [] {
        // In memory where there is such a folder: the defaults store syncs each write to disk.
        std::error_code ec;
        const auto parent = std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                                           : std::filesystem::temp_directory_path();
        auto* pattern = new std::string((parent / "tarvo-fuzz-XXXXXX").string());
        if (!mkdtemp(pattern->data())) std::abort();
        setenv("TARVO_HOME", pattern->c_str(), 1);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(fuzzHome(), ec);
        });
        return pattern;
    }();
    return *home;
}

}  // namespace fuzzing
