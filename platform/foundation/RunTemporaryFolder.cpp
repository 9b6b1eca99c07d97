#include "platform/foundation/RunTemporaryFolder.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <string_view>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "platform/foundation/ErrorInfo.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRunPrefix = "run-";
// NSCocoaErrorDomain file codes (the file-system layer above names them; this one sits below).
constexpr int kWriteNoPermission = 513;
constexpr int kWriteUnknown = 512;

NSError refused(const std::string& path, const std::string& why) {
    return NSError(kCocoaErrorDomain, kWriteNoPermission,
                   "The temporary folder " + path + " " + why + "; it is not used.");
}

NSError cannotMake(const std::string& path, int err) {
    return NSError(kCocoaErrorDomain, kWriteUnknown,
                   "The temporary folder " + path + " could not be made: " + std::strerror(err) + ".");
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The start time of process pid, in clock ticks since boot (field 22 of /proc/<pid>/stat);
// nullopt when it cannot be read. Together with the pid it names one process: a pid alone is
// reused.
std::optional<std::uint64_t> processStartTime(long pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    char buffer[1024];
    ssize_t n;
    do {
        n = ::read(fd.get(), buffer, sizeof buffer - 1);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return std::nullopt;
    const std::string_view text(buffer, static_cast<std::size_t>(n));
    // The command name may hold spaces and parentheses; the fields follow its last ")".
    const auto close = text.rfind(')');
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view rest = text.substr(close + 1);
    // Fields from the third (state) on; the start time is the twentieth of them.
    for (int field = 3; field <= 22; ++field) {
        const auto begin = rest.find_first_not_of(' ');
        if (begin == std::string_view::npos) return std::nullopt;
        rest = rest.substr(begin);
        const auto end = rest.find(' ');
        const std::string_view value = rest.substr(0, end);
        if (field == 22) {
            std::uint64_t ticks = 0;
            auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), ticks);
            if (ec != std::errc{}) return std::nullopt;
            return ticks;
        }
        if (end == std::string_view::npos) return std::nullopt;
        rest = rest.substr(end);
    }
    return std::nullopt;
}

struct OwnerRecord {
    long pid = 0;
    std::optional<std::uint64_t> startTime;
};

std::string recordText(const OwnerRecord& r) {
    std::string text = std::to_string(r.pid);
    if (r.startTime) text += " " + std::to_string(*r.startTime);
    return text + "\n";
}

std::optional<OwnerRecord> parseRecord(std::string_view text) {
    OwnerRecord r;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    auto [next, ec] = std::from_chars(p, end, r.pid);
    if (ec != std::errc{} || r.pid <= 0) return std::nullopt;
    if (next < end && *next == ' ') {
        std::uint64_t ticks = 0;
        auto [after, ec2] = std::from_chars(next + 1, end, ticks);
        if (ec2 == std::errc{}) r.startTime = ticks;
        (void)after;
    }
    return r;
}

// The pid in a run folder's name "run-<pid>-<random>".
std::optional<long> pidInName(std::string_view name) {
    if (name.substr(0, kRunPrefix.size()) != kRunPrefix) return std::nullopt;
    name.remove_prefix(kRunPrefix.size());
    long pid = 0;
    auto [next, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (ec != std::errc{} || pid <= 0 || next == name.data() + name.size() || *next != '-') return std::nullopt;
    return pid;
}

// The record in the run folder runFd, if it holds a readable one (a link is not followed).
std::optional<OwnerRecord> readRecord(int runFd) {
    Fd fd(::openat(runFd, kRunFolderOwnerRecord, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.get() < 0) return std::nullopt;
    char buffer[128];
    ssize_t n;
    do {
        n = ::read(fd.get(), buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return std::nullopt;
    return parseRecord(std::string_view(buffer, static_cast<std::size_t>(n)));
}

// True when the process the record names still runs. A process that exists but cannot be
// signalled belongs to another user, so it is not the run that made the folder.
bool isAlive(const OwnerRecord& r) {
    if (::kill(static_cast<pid_t>(r.pid), 0) != 0) return false;
    if (!r.startTime) return true;
    const auto now = processStartTime(r.pid);
    // Unreadable: keep the folder rather than risk removing a live run's files.
    return !now || *now == *r.startTime;
}

std::string randomSuffix() {
    static thread_local std::mt19937_64 engine(std::random_device{}());
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s;
    for (int i = 0; i < 10; ++i) s += kDigits[engine() % 36];
    return s;
}

// Opens the user folder, making it when missing, and checks it is a folder of owner that no
// one else can enter.
Fd openUserFolder(const std::string& path, std::uint32_t owner) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) throw cannotMake(path, errno);
    Fd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        const int err = errno;
        if (err == ELOOP || err == ENOTDIR) throw refused(path, "is not a folder");
        throw cannotMake(path, err);
    }
    struct stat st{};
    if (::fstat(fd.get(), &st) != 0) throw cannotMake(path, errno);
    if (st.st_uid != owner) {
        throw refused(path, "belongs to another user (uid " + std::to_string(st.st_uid) + ")");
    }
    // Ours, but someone (perhaps an older version) left it open to others: close it.
    if ((st.st_mode & 077) != 0 && ::fchmod(fd.get(), 0700) != 0) {
        throw refused(path, "is open to other users and cannot be made private");
    }
    return fd;
}

std::string userFolderPath(const std::string& base, std::uint32_t owner) {
    std::string b = base.empty() ? std::string("/tmp") : base;
    while (b.size() > 1 && b.back() == '/') b.pop_back();
    return b + "/tarvo-" + std::to_string(owner);
}

std::size_t sweep(int userFd, const std::string& userFolder, std::uint32_t owner) {
    const int dupFd = ::dup(userFd);
    if (dupFd < 0) return 0;
    DIR* dir = ::fdopendir(dupFd);
    if (!dir) {
        ::close(dupFd);
        return 0;
    }
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const auto namedPid = pidInName(name);
        if (!namedPid) continue;
        struct stat st{};
        if (::fstatat(userFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(st.st_mode) || st.st_uid != owner) continue;
        Fd runFd(::openat(userFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (runFd.get() < 0) continue;
        // A folder whose record is not written yet is judged by the pid in its name.
        const OwnerRecord record = readRecord(runFd.get()).value_or(OwnerRecord{*namedPid, std::nullopt});
        if (!isAlive(record)) stale.push_back(name);
    }
    ::closedir(dir);
    std::size_t removed = 0;
    for (const auto& name : stale) {
        std::error_code ec;
        // remove_all does not follow links: only what lies in the folder goes.
        fs::remove_all(fs::path(userFolder) / name, ec);
        if (!ec) ++removed;
    }
    return removed;
}

std::mutex& runFolderMutex() {
    static std::mutex m;
    return m;
}

std::optional<std::string>& runFolderStorage() {
    static std::optional<std::string> folder;
    return folder;
}

void removeAtExit() { removeRunTemporaryFolder(); }

}  // namespace

std::uint32_t currentUserID() { return static_cast<std::uint32_t>(::geteuid()); }

std::size_t sweepStaleRunFolders(const std::string& userFolder, std::uint32_t owner) {
    Fd fd(::open(userFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) return 0;
    struct stat st{};
    if (::fstat(fd.get(), &st) != 0 || st.st_uid != owner) return 0;
    return sweep(fd.get(), userFolder, owner);
}

std::string makeRunTemporaryFolder(const std::string& base, std::uint32_t owner) {
    const std::string userFolder = userFolderPath(base, owner);
    Fd userFd = openUserFolder(userFolder, owner);
    sweep(userFd.get(), userFolder, owner);

    const long pid = static_cast<long>(::getpid());
    std::string name;
    for (int attempt = 0;; ++attempt) {
        name = std::string(kRunPrefix) + std::to_string(pid) + "-" + randomSuffix();
        if (::mkdirat(userFd.get(), name.c_str(), 0700) == 0) break;
        if (errno != EEXIST || attempt >= 16) throw cannotMake(userFolder + "/" + name, errno);
    }
    const std::string path = userFolder + "/" + name;
    Fd runFd(::openat(userFd.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // The umask may have taken bits away, never added: 0700 stands. Still, check who owns it.
    struct stat st{};
    if (runFd.get() < 0 || ::fstat(runFd.get(), &st) != 0 || st.st_uid != owner || (st.st_mode & 077) != 0) {
        std::error_code ec;
        fs::remove_all(path, ec);
        throw refused(path, "is not this user's private folder");
    }
    const std::string record = recordText(OwnerRecord{pid, processStartTime(pid)});
    Fd recordFd(::openat(runFd.get(), kRunFolderOwnerRecord, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                         0600));
    bool written = recordFd.get() >= 0;
    if (written) {
        ssize_t n;
        do {
            n = ::write(recordFd.get(), record.data(), record.size());
        } while (n < 0 && errno == EINTR);
        written = n == static_cast<ssize_t>(record.size());
    }
    if (!written) {
        const int err = errno;
        std::error_code ec;
        fs::remove_all(path, ec);
        throw cannotMake(path, err);
    }
    return path;
}

std::string runTemporaryFolder() {
    std::lock_guard lock(runFolderMutex());
    auto& folder = runFolderStorage();
    if (folder) return *folder;
    const char* tmp = std::getenv("TMPDIR");
    folder = makeRunTemporaryFolder(tmp && *tmp ? std::string(tmp) : std::string("/tmp"), currentUserID());
    static const bool registered = [] {
        std::atexit(removeAtExit);
        return true;
    }();
    (void)registered;
    return *folder;
}

void removeRunTemporaryFolder() {
    std::optional<std::string> folder;
    {
        std::lock_guard lock(runFolderMutex());
        folder.swap(runFolderStorage());
    }
    if (!folder) return;
    std::error_code ec;
    fs::remove_all(*folder, ec);
}

std::optional<std::string> currentRunTemporaryFolder() {
    std::lock_guard lock(runFolderMutex());
    return runFolderStorage();
}

}  // namespace platform
