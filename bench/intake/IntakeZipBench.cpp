// Throughput of the zip CRC-32 (against zlib's), of the folder zip writer and of the zip
// listing reader.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

#include "TarvoShareExtension/Intake/Crc32.h"
#include "TarvoShareExtension/Intake/FolderZipWriter.h"
#include "TarvoShareExtension/Intake/ZipListingReader.h"
#include "platform/filesystem/FileManager.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::uint8_t>& buffer64MiB() {
    static const std::vector<std::uint8_t> buf = [] {
        std::vector<std::uint8_t> b(64u << 20);
        std::mt19937_64 rng(1);
        for (std::size_t i = 0; i + 8 <= b.size(); i += 8) {
            std::uint64_t v = rng();
            std::memcpy(&b[i], &v, 8);
        }
        return b;
    }();
    return buf;
}

void BM_Crc32Ours(benchmark::State& state) {
    const auto& b = buffer64MiB();
    for (auto _ : state) benchmark::DoNotOptimize(tarvo::Crc32::of(b.data(), b.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(b.size()));
    state.SetLabel(tarvo::crc32UsesCarrylessMultiply() ? "carry-less multiply" : "tables");
}
BENCHMARK(BM_Crc32Ours)->Unit(benchmark::kMillisecond);

void BM_Crc32OursTablesOnly(benchmark::State& state) {
    const auto& b = buffer64MiB();
    for (auto _ : state) benchmark::DoNotOptimize(tarvo::crc32UpdateTables(0, b.data(), b.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(b.size()));
}
BENCHMARK(BM_Crc32OursTablesOnly)->Unit(benchmark::kMillisecond);

void BM_Crc32Zlib(benchmark::State& state) {
    const auto& b = buffer64MiB();
    for (auto _ : state) benchmark::DoNotOptimize(crc32(0, b.data(), static_cast<uInt>(b.size())));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(b.size()));
}
BENCHMARK(BM_Crc32Zlib)->Unit(benchmark::kMillisecond);

struct BenchFolder {
    std::string root;
    std::string out;
    std::uint64_t bytes = 0;
    BenchFolder() {
        root = (fs::temp_directory_path() / ("tarvo-intake-bench-" + std::to_string(::getpid()))).string();
        out = root + "-out";
        fs::create_directories(out);
        std::mt19937 rng(2);
        std::vector<char> data(64 * 1024);
        for (int i = 0; i < 400; ++i) {
            for (auto& c : data) c = static_cast<char>(rng());
            fs::path p = fs::path(root) / ("dir" + std::to_string(i % 10)) / ("file" + std::to_string(i) + ".bin");
            fs::create_directories(p.parent_path());
            std::ofstream(p, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
            bytes += data.size();
        }
    }
    ~BenchFolder() {
        std::error_code ec;
        fs::remove_all(root, ec);
        fs::remove_all(out, ec);
    }
};

void BM_ArchiveFolder(benchmark::State& state) {
    static BenchFolder folder;
    for (auto _ : state) {
        auto item = tarvo::archiveDirectoryToTemp(platform::URL::fileURL(folder.root, true), "bench", folder.out);
        state.PauseTiming();
        fs::remove(item.url.path());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * folder.bytes));
}
BENCHMARK(BM_ArchiveFolder)->Unit(benchmark::kMillisecond);

// A central directory of n records named like a project tree, then the end record.
std::vector<std::uint8_t> syntheticArchive(std::size_t n) {
    std::string out;
    auto put16 = [&](std::uint16_t v) { out += static_cast<char>(v & 0xFF), out += static_cast<char>(v >> 8); };
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    for (std::size_t i = 0; i < n; ++i) {
        const std::string name = "project/src/module" + std::to_string(i % 300) + "/file" + std::to_string(i) + ".swift";
        put32(0x02014B50);
        for (int k = 0; k < 6; ++k) put16(0);
        put32(static_cast<std::uint32_t>(i * 2654435761u));
        put32(100);
        put32(static_cast<std::uint32_t>(i));
        put16(static_cast<std::uint16_t>(name.size()));
        for (int k = 0; k < 4; ++k) put16(0);
        put32(0);
        put32(0);
        out += name;
    }
    const std::uint32_t size = static_cast<std::uint32_t>(out.size());
    put32(0x06054B50);
    put16(0);
    put16(0);
    put16(static_cast<std::uint16_t>(n));
    put16(static_cast<std::uint16_t>(n));
    put32(size);
    put32(0);
    put16(0);
    return {out.begin(), out.end()};
}

void BM_ListZipEntries(benchmark::State& state) {
    const auto archive = syntheticArchive(static_cast<std::size_t>(state.range(0)));
    const auto limit = static_cast<std::size_t>(state.range(1));
    for (auto _ : state) benchmark::DoNotOptimize(tarvo::listZipEntries(archive, limit));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * std::min(state.range(0), state.range(1)));
}
BENCHMARK(BM_ListZipEntries)->Args({60000, 4000})->Args({60000, 60000})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
