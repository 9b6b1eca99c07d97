#pragma once
// The folder the folder-sharing benchmarks share: a project-like tree of files of varied sizes in
// nested folders, so that each benchmark measures the same kind of share.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarvo_bench {

// Replaces root with `files` files totalling about `bytes`, their sizes from a half to one and a
// half of the mean.
inline void makeProjectFolder(const std::filesystem::path& root, std::uint64_t bytes, int files) {
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

}  // namespace tarvo_bench
