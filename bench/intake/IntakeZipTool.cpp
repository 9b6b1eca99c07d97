// Command-line driver for the side-by-side comparison in compare_zip.py:
//   intake_zip_tool crc <MiB>             seconds for our CRC-32 and zlib's over MiB in memory
//   intake_zip_tool write <folder> <dir>  archives folder into dir; prints seconds and the path
//   intake_zip_tool list <zip> [limit]    lists the archive; prints seconds and the entry count
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

#include "TarvoShareExtension/Intake/Crc32.h"
#include "TarvoShareExtension/Intake/FolderZipWriter.h"
#include "TarvoShareExtension/Intake/ZipListingReader.h"
#include "platform/filesystem/FileManager.h"

namespace {

double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int usage() {
    std::fprintf(stderr, "usage: intake_zip_tool crc <MiB> | write <folder> <outdir> | list <zip> [limit]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string mode = argv[1];
    try {
        if (mode == "crc") {
            const std::size_t size = std::stoull(argv[2]) << 20;
            std::vector<std::uint8_t> buf(size);
            std::mt19937_64 rng(3);
            for (std::size_t i = 0; i + 8 <= size; i += 8) {
                std::uint64_t v = rng();
                std::memcpy(&buf[i], &v, 8);
            }
            double ours = 1e9, theirs = 1e9;
            std::uint32_t a = 0, b = 0;
            for (int round = 0; round < 3; ++round) {
                auto t = std::chrono::steady_clock::now();
                a = tarvo::Crc32::of(buf.data(), buf.size());
                ours = std::min(ours, seconds(t));
                t = std::chrono::steady_clock::now();
                uLong z = crc32(0, Z_NULL, 0);
                for (std::size_t at = 0; at < size; at += 1u << 30)  // zlib takes a uInt length
                    z = crc32(z, buf.data() + at, static_cast<uInt>(std::min<std::size_t>(1u << 30, size - at)));
                b = static_cast<std::uint32_t>(z);
                theirs = std::min(theirs, seconds(t));
            }
            if (a != b) {
                std::fprintf(stderr, "checksums differ: %08x %08x\n", a, b);
                return 1;
            }
            std::printf("ours %.4f zlib %.4f\n", ours, theirs);
        } else if (mode == "write" && argc >= 4) {
            auto t = std::chrono::steady_clock::now();
            auto item = tarvo::archiveDirectoryToTemp(platform::URL::fileURL(argv[2], true), "bench", argv[3]);
            std::printf("%.4f %s\n", seconds(t), item.url.path().c_str());
        } else if (mode == "list") {
            const std::size_t limit = argc >= 4 ? std::stoull(argv[3]) : 4000;
            auto t = std::chrono::steady_clock::now();
            auto entries = tarvo::listZipEntries(platform::URL::fileURL(argv[2]), limit);
            std::printf("%.4f %zu\n", seconds(t), entries.size());
        } else {
            return usage();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return 1;
    }
    return 0;
}
