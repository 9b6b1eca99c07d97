#include "platform/foundation/Paths.h"

#include "platform/foundation/RunTemporaryFolder.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace platform::paths {
namespace {

namespace fs = std::filesystem;

std::string envOr(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string homeDirectory() {
    std::string home = envOr("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

std::mutex& nameMutex() {
    static std::mutex m;
    return m;
}

std::string& nameStorage() {
    static std::string name = "tarvo";
    return name;
}

}  // namespace

std::string tarvoHome() {
    std::string home = envOr("TARVO_HOME");
    if (!home.empty()) return home;
    // The XDG rules ignore a relative data directory.
    std::string xdg = envOr("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/') return xdg + "/tarvo";
    return homeDirectory() + "/.local/share/tarvo";
}

std::string suiteDatabasePath(std::string_view suiteName) {
    return tarvoHome() + "/defaults/" + std::string(suiteName) + ".sqlite";
}

std::string standardDatabasePath(std::string_view programName) {
    return tarvoHome() + "/defaults/standard/" + std::string(programName) + ".sqlite";
}

std::optional<std::string> appGroupContainer(std::string_view groupId) {
    if (!isSafeFileName(groupId)) return std::nullopt;
    std::string dir = tarvoHome() + "/containers/" + std::string(groupId);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) return std::nullopt;
    return dir;
}

std::string programName() {
    std::lock_guard lock(nameMutex());
    return nameStorage();
}

void setProgramName(std::string_view name) {
    std::lock_guard lock(nameMutex());
    nameStorage() = std::string(name);
}

std::string executableDirectory() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) return fs::current_path(ec).string();
    return exe.parent_path().string();
}

std::string temporaryDirectory() { return runTemporaryFolder(); }

bool isSafeFileName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.size() > 255) return false;
    for (char c : name)
        if (c == '/' || c == '\0') return false;
    return true;
}

}  // namespace platform::paths
