// The folder zip writer: exact bytes, what goes in and in which order, the transport limits,
// members that change while archiving, and acceptance by other zip tools.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "IntakeTestSupport.h"
#include "TarvoShareExtension/Intake/FolderZipWriter.h"
#include "TarvoShareExtension/Intake/ShareIntakeError.h"
#include "TarvoShareExtension/Intake/ZipListingReader.h"
#include "platform/filesystem/FileSystemError.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Uuid.h"

using namespace intake_test;
using tarvo::ArtifactArchiveEntry;
using tarvo::FolderZipOptions;

namespace {

// The local time zone of this process and of the programs it starts, for one scope.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) : env_(std::in_place, "TZ", zone) { ::tzset(); }
    ~ScopedTimeZone() {
        env_.reset();
        ::tzset();
    }

private:
    std::optional<tarvo_test::ScopedEnv> env_;
};

class FolderZipWriterTest : public IntakeTest {
protected:
    tarvo::TempItem archive(const std::string& folder, const std::string& displayName = "Project",
                            const FolderZipOptions& options = {}) {
        return tarvo::archiveDirectoryToTemp(platform::URL::fileURL(folder, true), displayName, outDir(), options);
    }

    // Runs the archiver expecting a "ShareExtension" failure; returns its code.
    std::int64_t failureCode(const std::string& folder, const FolderZipOptions& options = {}) {
        try {
            archive(folder, "Project", options);
        } catch (const platform::NSError& e) {
            EXPECT_EQ(e.domain(), "ShareExtension");
            EXPECT_EQ(e.localizedDescription(),
                      tarvo::shareIntakeErrorText(static_cast<tarvo::ShareIntakeErrorCode>(e.code())));
            return e.code();
        }
        ADD_FAILURE() << "the archive was written";
        return -1;
    }
};

// Layout of a folder holding one file hello.txt = "Hello" (CRC-32 0xF7D18982), modified at
// 2024-03-15 13:45:30 UTC, worked out field by field from the header tables.
const char* kOneMemberArchive =
    // local header; time 13:45:30 = 0x6DAF, date 2024-03-15 = 0x586F
    "504b0304 1400 0008 0000 af6d 6f58 8289d1f7 05000000 05000000 0900 0000"
    "68656c6c6f2e747874"  // hello.txt
    "48656c6c6f"          // Hello
    // central directory header: made by Unix, mode 0100644
    "504b0102 1403 1400 0008 0000 af6d 6f58 8289d1f7 05000000 05000000 0900 0000 0000 0000 0000"
    "0000a481 00000000"
    "68656c6c6f2e747874"
    // end of central directory: 1 record, directory of 55 bytes at offset 44
    "504b0506 0000 0000 0100 0100 37000000 2c000000 0000";

TEST_F(FolderZipWriterTest, WritesTheExactBytesOfOneMemberAndOfAnEmptyFolder) {
    ScopedTimeZone utc("UTC0");
    writeFile(in("one/hello.txt"), "Hello");
    ::chmod(in("one/hello.txt").c_str(), 0640);
    setModificationTime(in("one/hello.txt"), 1710510330);
    auto item = archive(in("one"));
    EXPECT_EQ(hex(readFile(item.url.path())), hex(unhex(kOneMemberArchive)));
    EXPECT_EQ(item.filename, "Project.zip");
    EXPECT_EQ(item.contentType, "application/zip");

    // Only subfolders and a link: nothing but the 22-byte end record.
    fs::create_directories(in("empty/sub/deeper"));
    fs::create_symlink("/etc/hostname", in("empty/link"));
    auto empty = archive(in("empty"));
    EXPECT_EQ(hex(readFile(empty.url.path())), "504b0506000000000000000000000000000000000000");
}

TEST_F(FolderZipWriterTest, StoresRegularFilesInBrowserOrderWithoutLinksOrFolders) {
    const std::string root = in("proj");
    writeFile(root + "/.env", "KEY=1\n");
    writeFile(root + "/src/file10.txt", std::string(1000, 'x'));
    writeFile(root + "/src/file2.txt", "two");
    writeFile(root + "/.git/HEAD", "ref: refs/heads/main\n");
    fs::create_directories(root + "/empty/inner");
    fs::create_symlink("file2.txt", root + "/src/link.txt");
    fs::create_symlink(root + "/src", root + "/linked-folder");
    writeFile(in("outside/secret.txt"), "not shared");
    fs::create_symlink(in("outside"), root + "/src/outside");

    auto item = archive(root);
    auto entries = tarvo::listZipEntries(item.url, 100);
    std::vector<ArtifactArchiveEntry> expected = {
        {".env", 0x2B9D0CCC, 6},
        {".git/HEAD", 0, 21},
        {"src/file2.txt", 0, 3},
        {"src/file10.txt", 0, 1000},
    };
    // Checksums as Python's zlib computes them.
    for (auto& e : expected) {
        std::string out;
        ASSERT_EQ(runCommand(std::string(TARVO_PYTHON) + " -c 'import sys,zlib;print(zlib.crc32(open(sys.argv[1],\"rb\").read()))' " +
                                 shellQuote(root + "/" + e.path),
                             &out),
                  0);
        e.crc32 = static_cast<std::uint32_t>(std::stoul(out));
    }
    EXPECT_EQ(entries, expected);

    // The directory records point at local headers laid end to end from offset 0.
    const std::string bytes = readFile(item.url.path());
    std::uint64_t expectedDirectory = 0;
    for (const auto& e : expected) expectedDirectory += 30 + e.path.size() + e.uncompressedSize;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::span<const std::uint8_t> span(data, bytes.size());
    EXPECT_EQ(tarvo::readUInt32LE(span, 0), 0x04034B50u);
    EXPECT_EQ(tarvo::readUInt32LE(span, bytes.size() - 6), expectedDirectory);
}

TEST_F(FolderZipWriterTest, InfoZipAndPythonAcceptTheArchiveAndExtractTheSameBytes) {
    const std::string root = in("Site");
    writeFile(root + "/index.html", "<h1>hi</h1>\n");
    writeFile(root + "/assets/app.js", std::string(300000, 'j'));  // several copy chunks
    writeFile(root + "/assets/empty.txt", "");
    writeFile(root + "/names/caf\xc3\xa9 \xe2\x98\x95.txt", "unicode name");
    writeFile(root + "/.hidden", "dot");
    auto item = archive(root, "Site");
    const std::string zip = item.url.path();

    std::string out;
    EXPECT_EQ(runCommand("unzip -t " + shellQuote(zip), &out), 0) << out;
    EXPECT_NE(out.find("No errors detected"), std::string::npos) << out;
    EXPECT_EQ(runCommand("zip -T " + shellQuote(zip), &out), 0) << out;
    EXPECT_EQ(runCommand(std::string(TARVO_PYTHON) + " -m zipfile -t " + shellQuote(zip), &out), 0) << out;

    const std::string extracted = tmp_ / "extracted";
    ASSERT_EQ(runCommand("unzip -q " + shellQuote(zip) + " -d " + shellQuote(extracted), &out), 0) << out;
    for (const char* rel : {"index.html", "assets/app.js", "assets/empty.txt", "names/caf\xc3\xa9 \xe2\x98\x95.txt", ".hidden"})
        EXPECT_EQ(readFile(extracted + "/" + rel), readFile(root + "/" + rel)) << rel;
}

TEST_F(FolderZipWriterTest, UnzipRestoresTheExecuteBitAndTheTimesAndPythonReadsTheSame) {
    // Three hours east of UTC: a time stored as UTC instead of local would show as a shift.
    ScopedTimeZone zone("XYZ-3");
    struct File {
        const char* path;
        unsigned mode;
        std::int64_t modified;
        unsigned stored;       // the mode the archive keeps
        std::int64_t restored;  // the time unzip gives back (two-second steps, nothing before 1980)
        const char* listed;    // as zipinfo lists the mode
    };
    const File files[] = {
        {"deploy.sh", 0755, 1710510331, 0755, 1710510330, "-rwxr-xr-x"},
        {"scripts/helper.sh", 0700, 1700000000, 0755, 1700000000, "-rwxr-xr-x"},
        {"scripts/only-group-runs.sh", 0650, 1650000000, 0755, 1650000000, "-rwxr-xr-x"},
        {"README.md", 0644, 1600000000, 0644, 1600000000, "-rw-r--r--"},
        {"private.env", 0600, 1500000000, 0644, 1500000000, "-rw-r--r--"},
        // 1973: the earliest moment the format holds, 1980-01-01 00:00 local (21:00 UTC before).
        {"old.txt", 0644, 100000000, 0644, 315522000, "-rw-r--r--"},
    };
    const std::string root = in("app");
    for (const File& f : files) {
        writeFile(root + "/" + f.path, std::string("content of ") + f.path);
        ASSERT_EQ(::chmod((root + "/" + f.path).c_str(), f.mode), 0);
        setModificationTime(root + "/" + f.path, f.modified);
    }
    const std::string zip = archive(root, "app").url.path();

    std::string out;
    ASSERT_EQ(runCommand("unzip -Z " + shellQuote(zip), &out), 0) << out;
    for (const File& f : files) {
        const std::string line = std::string(f.listed) + "  2.0 unx";
        const auto at = out.find(std::string(" ") + f.path + "\n");
        ASSERT_NE(at, std::string::npos) << out;
        const auto start = out.rfind('\n', at) + 1;
        EXPECT_EQ(out.substr(start, line.size()), line) << out.substr(start, at - start);
    }

    const std::string extracted = tmp_ / "extracted";
    ASSERT_EQ(runCommand("unzip -q " + shellQuote(zip) + " -d " + shellQuote(extracted), &out), 0) << out;
    for (const File& f : files) {
        struct stat st{};
        ASSERT_EQ(::stat((extracted + "/" + f.path).c_str(), &st), 0) << f.path;
        EXPECT_EQ(st.st_mode & 0777, f.stored) << f.path;
        EXPECT_EQ(st.st_mtime, f.restored) << f.path;
    }

    // Python reads the same mode and the same local date and time from the headers.
    ASSERT_EQ(runCommand(std::string(TARVO_PYTHON) +
                             " -c 'import sys,zipfile\n"
                             "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
                             "    print(i.filename, oct(i.external_attr >> 16), \"%04d-%02d-%02d %02d:%02d:%02d\" % i.date_time)' " +
                             shellQuote(zip),
                         &out),
              0)
        << out;
    for (const File& f : files) {
        const platform::LocalDateTime t = platform::localDateTime(f.restored);
        char when[32];
        std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                      t.second);
        const std::string expected = std::string(f.path) + (f.stored == 0755 ? " 0o100755 " : " 0o100644 ") + when;
        EXPECT_NE(out.find(expected + "\n"), std::string::npos) << expected << "\n" << out;
    }
}

// The format's time fields hold 1980 to 2107 local: a time outside is stored as the nearest one
// they hold. (Read from the header itself: unzip restores dates past 2100 a day late.)
TEST_F(FolderZipWriterTest, TimesOutsideTheFormatsYearsAreStoredAsTheNearestItHolds) {
    ScopedTimeZone utc("UTC0");
    struct Case {
        std::int64_t modified;
        std::uint16_t time;
        std::uint16_t date;
    };
    const Case cases[] = {
        {100000000, 0x0000, 0x0021},   // 1973: 1980-01-01 00:00:00
        {315532800, 0x0000, 0x0021},   // 1980-01-01 00:00:00 itself
        {4354819198, 0xBF7D, 0xFF9F},  // 2107-12-31 23:59:58 itself
        {7258118400, 0xBF7D, 0xFF9F},  // 2200: 2107-12-31 23:59:58
    };
    for (const Case& c : cases) {
        const std::string folder = in("dated-" + std::to_string(c.modified));
        writeFile(folder + "/a.txt", "a");
        setModificationTime(folder + "/a.txt", c.modified);
        const std::string bytes = readFile(archive(folder).url.path());
        ASSERT_GT(bytes.size(), 14u);
        const auto field = [&bytes](std::size_t at) {
            return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                              static_cast<unsigned char>(bytes[at + 1]) << 8);
        };
        EXPECT_EQ(field(10), c.time) << c.modified;
        EXPECT_EQ(field(12), c.date) << c.modified;
    }
}

TEST_F(FolderZipWriterTest, NamesTheArchiveFromTheDisplayName) {
    writeFile(in("f/a.txt"), "a");
    struct Case {
        std::string displayName, archiveName;
    };
    for (const Case& c : std::vector<Case>{{"Project", "Project.zip"},
                                           {"Build.ZIP", "Build.ZIP"},
                                           {"   ", "shared-folder.zip"},
                                           {" My App \n", "My App.zip"},
                                           {"release.zip", "release.zip"}}) {
        EXPECT_EQ(tarvo::folderArchiveName(c.displayName), c.archiveName);
        auto item = archive(in("f"), c.displayName);
        EXPECT_EQ(item.filename, c.archiveName);
        const std::string onDisk = fs::path(item.url.path()).filename().string();
        ASSERT_GT(onDisk.size(), 37u);
        EXPECT_TRUE(platform::isUUIDString(onDisk.substr(0, 36))) << onDisk;
        EXPECT_EQ(onDisk.substr(36), "_" + c.archiveName);
    }
    // Two archives of the same folder never share a file.
    EXPECT_NE(archive(in("f")).url, archive(in("f")).url);
}

TEST_F(FolderZipWriterTest, AnOverlongDisplayNameIsCutOnDiskButTravelsWhole) {
    writeFile(in("f/a.txt"), "a");
    const std::string longName(300, 'n');
    auto item = archive(in("f"), longName);
    EXPECT_EQ(item.filename, longName + ".zip");
    const std::string onDisk = fs::path(item.url.path()).filename().string();
    EXPECT_LE(onDisk.size(), 255u);
    EXPECT_TRUE(onDisk.ends_with(".zip")) << onDisk;
    EXPECT_EQ(tarvo::listZipEntries(item.url, 10).size(), 1u);
}

TEST_F(FolderZipWriterTest, BackslashesInNamesTravelAsSlashes) {
    writeFile(in("w/dir\\file.txt"), "x");
    auto entries = tarvo::listZipEntries(archive(in("w")).url, 10);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, "dir/file.txt");
}

TEST_F(FolderZipWriterTest, EnforcesEachTransportLimitAndLeavesNoFileOnFailure) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::size_t>> files;  // name, size
        FolderZipOptions options;
        std::int64_t code;  // 0: accepted
    };
    auto limits = [](std::uint64_t size, std::size_t count, std::size_t nameLength, std::uint64_t offset) {
        FolderZipOptions o;
        o.maxMemberSize = size;
        o.maxMemberCount = count;
        o.maxNameLength = nameLength;
        o.maxOffset = offset;
        return o;
    };
    const auto big = 1ull << 40;
    const std::vector<Case> cases = {
        {"size at the limit", {{"a", 5}}, limits(5, 9, 99, big), 0},
        {"size one over", {{"a", 6}}, limits(5, 9, 99, big), 22},
        {"count at the limit", {{"a", 1}, {"b", 1}, {"c", 1}}, limits(big, 3, 99, big), 0},
        {"count one over", {{"a", 1}, {"b", 1}, {"c", 1}, {"d", 1}}, limits(big, 3, 99, big), 23},
        {"name at the limit", {{"abcde", 1}}, limits(big, 9, 5, big), 0},
        {"name one over", {{"abcdef", 1}}, limits(big, 9, 5, big), 24},
        // a (10 bytes) ends at 30 + 1 + 10 = 41: the next local header starts there.
        {"local header past the limit", {{"a", 10}, {"b", 10}}, limits(big, 9, 99, 40), 24},
        {"directory past the limit", {{"a", 10}}, limits(big, 9, 99, 40), 25},
        // The directory of one record named "a" is 47 bytes: it ends at 88.
        {"end past the limit", {{"a", 10}}, limits(big, 9, 99, 87), 26},
        {"end at the limit", {{"a", 10}}, limits(big, 9, 99, 88), 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = in("limits" + std::to_string(n++));
        fs::create_directories(folder);
        for (const auto& [name, size] : c.files) writeFile(folder + "/" + name, std::string(size, 'z'));
        if (c.code == 0) {
            auto item = archive(folder, "Project", c.options);
            EXPECT_EQ(tarvo::listZipEntries(item.url, 100).size(), c.files.size());
            fs::remove(item.url.path());
        } else {
            EXPECT_EQ(failureCode(folder, c.options), c.code);
        }
        EXPECT_TRUE(listNames(outDir()).empty()) << "a file was left in the temporary directory";
    }
}

TEST_F(FolderZipWriterTest, TheWalkStopsAtTheFirstMemberOverTheCount) {
    // Members are counted while the folder is walked (in byte order of the names), so the
    // third file is never reached: its size would have failed it with 22.
    writeFile(in("many/a"), "1");
    writeFile(in("many/b"), "2");
    writeFile(in("many/c"), std::string(6, 'z'));
    FolderZipOptions options;
    options.maxMemberCount = 1;
    options.maxMemberSize = 5;
    EXPECT_EQ(failureCode(in("many"), options), 23);
    EXPECT_TRUE(listNames(outDir()).empty());
}

TEST_F(FolderZipWriterTest, AFileOver4GiBFailsBeforeAnythingIsRead) {
    // 1 TiB, sparse: takes no space, and the size guard must act before the checksum pass reads
    // it; reading it through would take far longer than the test is allowed to run.
    writeFile(in("huge/small.txt"), "ok");
    int fd = ::open(in("huge/big.bin").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 1LL << 40), 0);
    ::close(fd);
    EXPECT_EQ(failureCode(in("huge")), 22);
    EXPECT_TRUE(listNames(outDir()).empty());
}

TEST_F(FolderZipWriterTest, AMemberThatChangesBetweenThePassesFailsAndLeavesNoArchive) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> change;
    };
    const std::vector<Case> cases = {
        {"shrank", [](const std::string& p) { fs::resize_file(p, 10); }},
        {"grew", [](const std::string& p) { writeFile(p, std::string(300000, 'a') + "more"); }},
        {"rewritten at the same size", [](const std::string& p) { writeFile(p, std::string(299999, 'a') + "b"); }},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = in("changing" + std::to_string(n++));
        writeFile(folder + "/before.txt", "stable");
        writeFile(folder + "/data.bin", std::string(300000, 'a'));
        FolderZipOptions options;
        options.beforeCopying = [&] { c.change(folder + "/data.bin"); };
        EXPECT_EQ(failureCode(folder, options), 27);
        EXPECT_TRUE(listNames(outDir()).empty());
    }
    // Unchanged, the same folder archives fine.
    const std::string folder = in("changing0");
    writeFile(folder + "/data.bin", std::string(300000, 'a'));
    EXPECT_EQ(tarvo::listZipEntries(archive(folder).url, 10).size(), 2u);
}

// The work is known from the listing: every member read for its checksum, then the archive
// written. Reports come in steps of about a mebibyte, grow, and end at that whole work.
TEST_F(FolderZipWriterTest, ReportsItsProgressInStepsEndingAtTheWholeWork) {
    const std::string folder = in("progress");
    std::uint64_t memberBytes = 0;
    for (int i = 0; i < 3; ++i) {
        const std::string bytes(1536 * 1024 + i, static_cast<char>('a' + i));
        writeFile(folder + "/big" + std::to_string(i) + ".bin", bytes);
        memberBytes += bytes.size();
    }
    for (int i = 0; i < 200; ++i) {
        writeFile(folder + "/small/" + std::to_string(i) + ".txt", "tiny");
        memberBytes += 4;
    }
    std::vector<tarvo::FolderZipProgress> reports;
    FolderZipOptions options;
    options.progress = [&](const tarvo::FolderZipProgress& p) { reports.push_back(p); };
    const auto item = archive(folder, "Project", options);

    const std::uint64_t archiveBytes = fs::file_size(item.url.path());
    const std::uint64_t total = memberBytes + archiveBytes;
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports.front().doneBytes, 0u);
    EXPECT_EQ(reports.back().doneBytes, total);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].totalBytes, total) << i;
        EXPECT_EQ(reports[i].archiveBytes, archiveBytes) << i;
        if (i == 0) continue;
        EXPECT_GT(reports[i].doneBytes, reports[i - 1].doneBytes) << i;
        if (i + 1 < reports.size()) {
            EXPECT_GE(reports[i].doneBytes - reports[i - 1].doneBytes, 1u << 20) << i;
        }
    }
    EXPECT_LE(reports.size(), total / (1u << 20) + 2);

    // A failed archive never reports its work done.
    reports.clear();
    options.beforeCopying = [&] { writeFile(folder + "/big1.bin", "changed"); };
    EXPECT_EQ(failureCode(folder, options), 27);
    ASSERT_FALSE(reports.empty());
    EXPECT_LT(reports.back().doneBytes, reports.back().totalBytes);
}

TEST_F(FolderZipWriterTest, AFolderThatCannotBeOpenedFailsWith21) {
    EXPECT_EQ(failureCode(in("missing")), 21);
    writeFile(in("plain.txt"), "not a folder");
    EXPECT_EQ(failureCode(in("plain.txt")), 21);
}

// Runs fn in a child process without root's right to read everything; returns its exit
// status. Without root, runs fn in-process.
int runUnprivileged(const std::function<int()>& fn) {
    if (::geteuid() != 0) return fn();
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
        ::_exit(fn());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 91;
}

TEST_F(FolderZipWriterTest, AnUnreadableSubfolderIsPassedOver) {
    const std::string root = in("perm");
    writeFile(root + "/visible.txt", "v");
    writeFile(root + "/locked/inside.txt", "i");
    writeFile(root + "/z.txt", "z");
    // Everything reachable for the unprivileged child, except the locked folder.
    for (auto& p : fs::recursive_directory_iterator(tmp_.path()))
        fs::permissions(p.path(), p.is_directory() ? fs::perms::all : fs::perms::owner_read | fs::perms::others_read | fs::perms::group_read);
    fs::permissions(tmp_.path(), fs::perms::all);
    fs::permissions(root + "/locked", fs::perms::none);

    int status = runUnprivileged([&] {
        try {
            auto entries = tarvo::listZipEntries(archive(root).url, 10);
            if (entries.size() != 2 || entries[0].path != "visible.txt" || entries[1].path != "z.txt") return 1;
            return 0;
        } catch (...) {
            return 2;
        }
    });
    EXPECT_EQ(status, 0);
}

TEST_F(FolderZipWriterTest, RunningOutOfDescriptorsMidWalkFailsInsteadOfDroppingTheRest) {
    // The walk keeps a descriptor per folder level; when the process runs out, what lies
    // deeper is not unreadable, and an archive without it must not pass for the whole folder.
    std::string deep = in("deep");
    writeFile(deep + "/top.txt", "t");
    for (int i = 0; i < 40; ++i) deep += "/d" + std::to_string(i);
    writeFile(deep + "/bottom.txt", "b");

    pid_t pid = ::fork();
    if (pid == 0) {
        int open = 0;
        for (auto& entry : fs::directory_iterator("/proc/self/fd")) {
            (void)entry;
            ++open;
        }
        // Let the sanitizer runtimes do their one-time look-ups while descriptors remain.
        (void)platform::isResourceExhaustion(platform::posixError(EMFILE, "warm-up"));
        struct rlimit limit{static_cast<rlim_t>(open + 12), static_cast<rlim_t>(open + 12)};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(90);
        try {
            archive(in("deep"));
            ::_exit(1);  // an archive without bottom.txt was reported as complete
        } catch (const platform::NSError& e) {
            ::_exit(e.domain() == "ShareExtension" && e.code() == 21 ? 0 : 2);
        } catch (...) {
            ::_exit(3);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(FolderZipWriterTest, TheChecksumPassReportsReadFailuresWithErrno) {
    // A folder opens like a file and fails on the first read with EISDIR.
    fs::create_directories(in("dir"));
    try {
        tarvo::crc32OfFile(in("dir"));
        ADD_FAILURE() << "no error";
    } catch (const platform::NSError& e) {
        EXPECT_EQ(e.domain(), platform::kPOSIXErrorDomain);
        EXPECT_EQ(e.code(), EISDIR);
    }
    writeFile(in("f.txt"), "123456789");
    EXPECT_EQ(tarvo::crc32OfFile(in("f.txt")), 0xCBF43926u);
}

}  // namespace
