#pragma once
// The folder the folder-sharing benchmarks share: a project-like tree of files of varied sizes in
// nested folders, so that each benchmark measures the same kind of share; the reading of its
// size from their command line, so that both take and refuse the same arguments; and the check
// that a share reached its upload sink whole, so that a benchmark never times a broken share.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tests/peer/SinkServer.h"

namespace tarvo_bench {

struct FolderSize {
    std::uint64_t mib = 0;
    int files = 0;
};

namespace detail {

// A whole number, all of the text; none for a sign, a fraction, trailing text or overflow.
template <typename Number>
bool readWhole(std::string_view text, Number& out) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace detail

// `program [MiB [files]]`, each missing one from the environment's <envPrefix>_MIB and
// <envPrefix>_FILES, else the default. --help prints the usage and ends the program with 0; an
// argument that is not a whole number, fewer than one file, or a size too large to count in
// bytes prints the usage on stderr and ends it with 2, before the benchmark has made anything.
inline FolderSize readFolderSize(int argc, char** argv, const char* program, const std::string& envPrefix,
                                 FolderSize defaults) {
    const std::string mibVar = envPrefix + "_MIB";
    const std::string filesVar = envPrefix + "_FILES";
    const auto usage = [&](std::FILE* to) {
        std::fprintf(to,
                     "usage: %s [MiB [files]]\n"
                     "  whole numbers, files at least 1; defaults %llu MiB in %d files,\n"
                     "  or the environment's %s and %s\n",
                     program, static_cast<unsigned long long>(defaults.mib), defaults.files, mibVar.c_str(),
                     filesVar.c_str());
    };
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
            usage(stdout);
            std::exit(0);
        }
    }
    const auto refuse = [&](const std::string& why) {
        std::fprintf(stderr, "%s: %s\n", program, why.c_str());
        usage(stderr);
        std::exit(2);
    };
    if (argc > 3) refuse("too many arguments");
    const auto source = [&](int index, const std::string& var) -> std::pair<const char*, std::string> {
        if (argc > index) return {argv[index], "argument " + std::to_string(index)};
        if (const char* value = std::getenv(var.c_str())) return {value, var};
        return {nullptr, {}};
    };
    FolderSize size = defaults;
    if (const auto [text, from] = source(1, mibVar); text) {
        if (!detail::readWhole(text, size.mib) || size.mib > (std::numeric_limits<std::uint64_t>::max() >> 20)) {
            refuse(from + " is not a size in MiB: '" + text + "'");
        }
    }
    if (const auto [text, from] = source(2, filesVar); text) {
        if (!detail::readWhole(text, size.files) || size.files < 1) {
            refuse(from + " is not a number of files of at least 1: '" + text + "'");
        }
    }
    return size;
}

// Replaces root with `files` files totalling about `bytes`, their sizes from a half to one and a
// half of the mean.
inline void makeProjectFolder(const std::filesystem::path& root, std::uint64_t bytes, int files) {
    if (files < 1) {
        throw std::invalid_argument("makeProjectFolder: a project folder needs at least one file, asked for " +
                                    std::to_string(files));
    }
    std::filesystem::remove_all(root);
    std::vector<char> chunk(1 << 20);
    std::uint32_t x = 99;
    for (auto& c : chunk) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    const std::uint64_t mean = bytes / static_cast<std::uint64_t>(files);
    for (int i = 0; i < files; ++i) {
        const std::filesystem::path dir = root / ("src" + std::to_string(i % 7)) / ("pkg" + std::to_string(i % 31));
        std::filesystem::create_directories(dir);
        std::ofstream out(dir / ("file" + std::to_string(i) + ".dat"), std::ios::binary);
        std::uint64_t left = mean / 2 + (static_cast<std::uint64_t>(i) * 7919u) % (mean + 1);
        while (left > 0) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
            out.write(chunk.data() + (i % 1024), static_cast<std::streamsize>(std::min(n, chunk.size() - i % 1024)));
            left -= std::min(n, chunk.size() - i % 1024);
        }
    }
}

// Whether the sink's last upload ended well with exactly `bytes`.
inline bool lastUploadHolds(const peer::SinkServer& sink, std::uint64_t bytes) {
    const auto uploads = sink.uploads();
    return !uploads.empty() && uploads.back()["ok"] == true && uploads.back()["bytes"] == bytes;
}

}  // namespace tarvo_bench
