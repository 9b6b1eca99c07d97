// The zip listing reader: archives of other tools, path cleaning, limits, and broken or
// hostile archives, which must give a listing or an empty one and never crash.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "IntakeTestSupport.h"
#include "TarvoShareExtension/Intake/ZipListingReader.h"
#include "platform/foundation/ErrorInfo.h"

#include <map>

using namespace intake_test;
using tarvo::ArtifactArchiveEntry;

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::vector<ArtifactArchiveEntry> list(const std::string& archive, std::size_t limit = 4000) {
    return tarvo::listZipEntries(bytesOf(archive), limit);
}

void put16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A hand-built archive: each record's central header (no member data is needed, the reader
// never looks at it), then an end record. total: the end record's count field.
struct Record {
    std::string name;
    std::uint32_t crc = 0;
    std::uint32_t size = 0;
    std::string extra = {};
    std::string comment = {};
};
std::string buildArchive(const std::vector<Record>& records, std::optional<std::uint16_t> total = std::nullopt,
                         const std::string& archiveComment = "", std::optional<std::uint32_t> directoryOffset = {}) {
    std::string out = "PK\x03\x04 pretend member data";  // something before the directory
    const std::uint32_t start = static_cast<std::uint32_t>(out.size());
    for (const auto& r : records) {
        put32(out, 0x02014B50);
        put16(out, 0x031E);
        put16(out, 20);
        put16(out, 0);
        put16(out, 8);
        put32(out, 0);
        put32(out, r.crc);
        put32(out, r.size / 2);
        put32(out, r.size);
        put16(out, static_cast<std::uint16_t>(r.name.size()));
        put16(out, static_cast<std::uint16_t>(r.extra.size()));
        put16(out, static_cast<std::uint16_t>(r.comment.size()));
        put16(out, 0);
        put16(out, 0);
        put32(out, 0);
        put32(out, 0);
        out += r.name + r.extra + r.comment;
    }
    const std::uint32_t size = static_cast<std::uint32_t>(out.size()) - start;
    put32(out, 0x06054B50);
    put16(out, 0);
    put16(out, 0);
    put16(out, total.value_or(static_cast<std::uint16_t>(records.size())));
    put16(out, total.value_or(static_cast<std::uint16_t>(records.size())));
    put32(out, size);
    put32(out, directoryOffset.value_or(start));
    put16(out, static_cast<std::uint16_t>(archiveComment.size()));
    out += archiveComment;
    return out;
}

std::vector<std::string> paths(const std::vector<ArtifactArchiveEntry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.path);
    return out;
}

TEST(ZipEntryPath, CleansNamesAsTheTableSays) {
    struct Case {
        std::string name, path;
    };
    for (const Case& c : std::vector<Case>{
             {".\\proj\\build.sh", "proj/build.sh"},
             {" proj//a/../b.sh ", "proj/a/b.sh"},
             {"__MACOSX/proj/._build.sh", "proj/._build.sh"},
             {"proj/__MACOSXtra/x", "proj/x"},
             {"proj/__macosx/x", "proj/__macosx/x"},
             {"..", ""},
             {"/abs/path/", "abs/path"},
             {"\t\n", ""},
             {"a/./b/./c", "a/b/c"},
             {"name with spaces.txt", "name with spaces.txt"},
         }) {
        EXPECT_EQ(tarvo::normalizeZipEntryPath(c.name), c.path) << c.name;
    }
}

TEST(ZipListingReader, BoundedReadersAnswerZeroPastTheEnd) {
    const std::string b = "\x01\x02\x03\x04\x05";
    EXPECT_EQ(tarvo::readUInt16LE(bytesOf(b), 0), 0x0201);
    EXPECT_EQ(tarvo::readUInt32LE(bytesOf(b), 1), 0x05040302u);
    EXPECT_EQ(tarvo::readUInt16LE(bytesOf(b), 4), 0);
    EXPECT_EQ(tarvo::readUInt32LE(bytesOf(b), 2), 0u);
    EXPECT_EQ(tarvo::readUInt32LE(bytesOf(b), SIZE_MAX), 0u);
    EXPECT_EQ(tarvo::readUInt16LE(bytesOf(b), SIZE_MAX - 1), 0);
}

TEST(ZipListingReader, ListsFilesSkipsDirectoriesAndCleansNames) {
    const std::string zip = buildArchive({
        {"src/", 0, 0},
        {"src/main.c", 0x11111111, 120},
        {"./", 0, 0},
        {"..", 0, 0},
        {".\\proj\\build.sh", 0x22222222, 7},
        {"__MACOSX/proj/._build.sh", 0x33333333, 4, "extra-field", "a comment"},
        {"caf\xe9.txt", 0x44444444, 1},  // Latin-1: not valid UTF-8
        {"caf\xc3\xa9.txt", 0x55555555, 1},
    });
    std::vector<ArtifactArchiveEntry> expected = {
        {"src/main.c", 0x11111111, 120},
        {"proj/build.sh", 0x22222222, 7},
        {"proj/._build.sh", 0x33333333, 4},
        {"caf\xc3\xa9.txt", 0x44444444, 1},
        {"caf\xc3\xa9.txt", 0x55555555, 1},
    };
    EXPECT_EQ(list(zip), expected);
}

TEST(ZipListingReader, StopsAtTheLimitCountingOnlyFiles) {
    std::vector<Record> records = {{"dir/", 0, 0}};
    for (int i = 0; i < 10; ++i) records.push_back({"f" + std::to_string(i), 0, 1});
    const std::string zip = buildArchive(records);
    EXPECT_EQ(paths(list(zip, 3)), (std::vector<std::string>{"f0", "f1", "f2"}));
    EXPECT_TRUE(list(zip, 0).empty());
    EXPECT_EQ(list(zip, 100).size(), 10u);
    // A count field below the real number of records caps the walk too.
    // A count below the real number of records caps the listing; the skipped directory
    // record does not use up the cap.
    EXPECT_EQ(paths(list(buildArchive(records, 4))), (std::vector<std::string>{"f0", "f1", "f2", "f3"}));
}

TEST(ZipListingReader, AZeroCountIsWalkedUntilTheLimitOrAForeignSignature) {
    std::vector<Record> records;
    for (int i = 0; i < 5; ++i) records.push_back({"f" + std::to_string(i), 0, 1});
    EXPECT_EQ(list(buildArchive(records, 0)).size(), 5u);
    EXPECT_EQ(list(buildArchive(records, 0), 2).size(), 2u);
}

TEST(ZipListingReader, FindsTheEndRecordBehindTheLongestComment) {
    const std::string zip = buildArchive({{"a.txt", 1, 1}}, std::nullopt, std::string(65535, 'c'));
    EXPECT_EQ(paths(list(zip)), std::vector<std::string>{"a.txt"});
    // A signature inside the comment, nearer the end, wins and is not usable: empty, no crash.
    std::string tricky = buildArchive({{"a.txt", 1, 1}}, std::nullopt, std::string("xxPK\x05\x06yy", 8) + std::string(30, 'c'));
    EXPECT_NO_THROW(list(tricky));
}

TEST(ZipListingReader, BrokenArchivesGiveEmptyOrShorterListings) {
    const std::string good = buildArchive({{"a.txt", 1, 1}, {"b.txt", 2, 2}, {"c.txt", 3, 3}});
    ASSERT_EQ(list(good).size(), 3u);
    EXPECT_TRUE(list(std::string(21, '\0')).empty());
    EXPECT_TRUE(list(buildArchive({})).empty());  // the 22-byte end record alone (plus a prefix)
    EXPECT_TRUE(list(std::string("PK\x05\x06", 4) + std::string(18, '\0')).empty());
    EXPECT_TRUE(list(std::string(100, 'x')).empty());  // no end record
    EXPECT_TRUE(list(good.substr(0, good.size() - 1)).empty());  // end record cut short
    EXPECT_TRUE(list(buildArchive({{"a.txt", 1, 1}}, std::nullopt, "", 0xFFFFFFFF)).empty());  // ZIP64 placeholder
    EXPECT_TRUE(list(buildArchive({{"a.txt", 1, 1}}, std::nullopt, "", 5)).empty());  // offset at no header
    // A name running past the end of the file stops the walk where it is.
    std::string runaway = buildArchive({{"a.txt", 1, 1}, {"b.txt", 2, 2}});
    std::string second = "PK\x01\x02";
    auto at = runaway.find(second, runaway.find(second) + 1);
    runaway[at + 28] = '\xff';
    runaway[at + 29] = '\xff';
    EXPECT_EQ(paths(list(runaway)), std::vector<std::string>{"a.txt"});
    // So does an extra length that sends the next header past the end.
    std::string leap = buildArchive({{"a.txt", 1, 1}, {"b.txt", 2, 2}});
    leap[leap.find(second) + 30] = '\xff';
    leap[leap.find(second) + 31] = '\xff';
    EXPECT_EQ(paths(list(leap)), std::vector<std::string>{"a.txt"});
}

TEST(ZipListingReader, SurvivesRandomCorruption) {
    std::vector<Record> records;
    for (int i = 0; i < 20; ++i) records.push_back({"dir/file" + std::to_string(i) + ".txt", 7, 9, "ex", "co"});
    const std::string good = buildArchive(records);
    std::mt19937 rng(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string bad = good;
        const int flips = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < flips; ++i) bad[rng() % bad.size()] = static_cast<char>(rng());
        if (rng() % 4 == 0) bad.resize(rng() % bad.size());
        auto entries = list(bad, 1 + rng() % 50);
        ASSERT_LE(entries.size(), 50u);
    }
}

class ZipListingReaderFileTest : public IntakeTest {};

TEST_F(ZipListingReaderFileTest, ReadsArchivesMadeByInfoZip) {
    const std::string root = in("work");
    writeFile(root + "/proj/build.sh", "#!/bin/sh\necho build\n");
    writeFile(root + "/proj/src/main.c", std::string(50000, 'm'));  // deflated well
    writeFile(root + "/proj/empty.txt", "");
    writeFile(root + "/__MACOSX/proj/._build.sh", "resource fork");
    fs::create_directories(root + "/proj/emptydir");
    const std::string zip = tmp_ / "infozip.zip";
    std::string out;
    ASSERT_EQ(runCommand("cd " + shellQuote(root) + " && zip -q -r " + shellQuote(zip) + " proj __MACOSX && echo 'archive comment' | zip -q -z " + shellQuote(zip), &out), 0) << out;

    auto entries = tarvo::listZipEntries(platform::URL::fileURL(zip), 4000);
    std::map<std::string, ArtifactArchiveEntry> byPath;
    for (const auto& e : entries) byPath[e.path] = e;
    EXPECT_EQ(byPath.size(), entries.size());
    EXPECT_EQ(byPath.size(), 4u) << "directory records must be left out";
    ASSERT_TRUE(byPath.count("proj/src/main.c"));
    EXPECT_EQ(byPath["proj/src/main.c"].uncompressedSize, 50000u);
    EXPECT_TRUE(byPath.count("proj/._build.sh")) << "the __MACOSX piece alone is dropped";
    // Checksums and sizes as Python's zipfile reads them.
    std::string crcText;
    ASSERT_EQ(runCommand(std::string(TARVO_PYTHON) + " -c 'import sys,zipfile;[print(i.filename,i.CRC,i.file_size) for i in zipfile.ZipFile(sys.argv[1]).infolist()]' " + shellQuote(zip), &crcText), 0);
    std::istringstream lines(crcText);
    std::string name;
    std::uint64_t crc, size;
    int files = 0;
    while (lines >> name >> crc >> size) {
        if (name.back() == '/') continue;
        std::string path = tarvo::normalizeZipEntryPath(name);
        ASSERT_TRUE(byPath.count(path)) << path;
        EXPECT_EQ(byPath[path].crc32, crc) << path;
        EXPECT_EQ(byPath[path].uncompressedSize, size) << path;
        ++files;
    }
    EXPECT_EQ(files, 4);
}

TEST_F(ZipListingReaderFileTest, ReadsArchivesMadeByPythonWithLatin1Names) {
    const std::string zip = tmp_ / "python.zip";
    const std::string script =
        "import sys,zipfile\n"
        "z=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\n"
        "z.writestr('top/',b'')\n"
        "z.writestr('top/readme.md',b'# hi\\n'*100)\n"
        "z.writestr('top/r\\u00e9sum\\u00e9.txt',b'utf8 name')\n"
        "i=zipfile.ZipInfo('top/x');i.filename='top/x';z.writestr(i,b'stored')\n"
        "z.comment=b'made by python'\n"
        "z.close()\n"
        // Rewrite one name as a Latin-1 byte with no UTF-8 flag.
        "d=bytearray(open(sys.argv[1],'rb').read())\n"
        "i=d.rfind(b'top/x');d[i+4:i+5]=b'\\xe9'\n"
        "open(sys.argv[1],'wb').write(bytes(d))\n";
    writeFile(tmp_ / "make.py", script);
    std::string out;
    ASSERT_EQ(runCommand(std::string(TARVO_PYTHON) + " " + shellQuote(tmp_ / "make.py") + " " + shellQuote(zip), &out), 0) << out;
    auto entries = tarvo::listZipEntries(platform::URL::fileURL(zip), 4000);
    EXPECT_EQ(paths(entries), (std::vector<std::string>{"top/readme.md", "top/r\xc3\xa9sum\xc3\xa9.txt", "top/\xc3\xa9"}));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].uncompressedSize, 500u);
}

TEST_F(ZipListingReaderFileTest, AnArchiveLargerThan4GiBIsMappedNotRead) {
    // 1 TiB, sparse: a central directory near the start, the end record at the very end. Reading
    // it through would take far longer than the test is allowed to run, so a listing that comes
    // back at all has not read it.
    std::vector<Record> records = {{"big/one.bin", 9, 100}, {"big/two.bin", 8, 200}};
    std::string archive = buildArchive(records);
    const std::size_t endRecordAt = archive.rfind(std::string("PK\x05\x06", 4));
    const std::string head = archive.substr(0, endRecordAt);
    const std::string end = archive.substr(endRecordAt);
    const std::string path = in("huge.zip");
    writeFile(path, head);
    fs::resize_file(path, (1ull << 40) - end.size());
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out.write(end.data(), static_cast<std::streamsize>(end.size()));
    }
    ASSERT_EQ(fs::file_size(path), 1ull << 40);
    auto entries = tarvo::listZipEntries(platform::URL::fileURL(path), 10);
    EXPECT_EQ(paths(entries), (std::vector<std::string>{"big/one.bin", "big/two.bin"}));
}

TEST_F(ZipListingReaderFileTest, AnUnreadableFileThrowsAndAnEmptyFileListsNothing) {
    EXPECT_THROW(tarvo::listZipEntries(platform::URL::fileURL(in("missing.zip")), 10), platform::NSError);
    fs::create_directories(in("folder.zip"));
    EXPECT_THROW(tarvo::listZipEntries(platform::URL::fileURL(in("folder.zip")), 10), platform::NSError);
    writeFile(in("empty.zip"), "");
    EXPECT_TRUE(tarvo::listZipEntries(platform::URL::fileURL(in("empty.zip")), 10).empty());
}

}  // namespace
