#include "tests/peer/ServerProcess.h"

#include "tests/support/ChildEnd.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace peer {
namespace {

// Reads one line from fd within the time limit; what came so far when it ends or runs out.
std::string readLine(int fd, std::chrono::milliseconds limit) {
    std::string line;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        const int r = ::poll(&p, 1, static_cast<int>(std::max<long>(1, left.count())));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        char c;
        if (::read(fd, &c, 1) <= 0) break;
        if (c == '\n') return line;
        line.push_back(c);
    }
    return line;
}

}  // namespace

std::string ServerProcess::start(std::vector<std::string> argv, const std::string& errorPath,
                                 std::chrono::milliseconds limit) {
    stop();
    int out[2];
    int in[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    if (::pipe2(in, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        throw std::runtime_error("pipe2 failed");
    }
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (!errorPath.empty()) {
        posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        ::close(in[1]);
        throw std::runtime_error("could not start " + argv[0] + ": " + std::strerror(rc));
    }
    pid_ = pid;
    stdinWrite_ = in[1];
    const std::string line = readLine(out[0], limit);
    ::close(out[0]);
    return line;
}

void ServerProcess::stop() {
    if (stdinWrite_ >= 0) {
        ::close(stdinWrite_);
        stdinWrite_ = -1;
    }
    if (pid_ <= 0) return;
    int status = 0;
    if (ending_ == Ending::onEndOfInput) {
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return;
    }
    ::kill(pid_, SIGTERM);
    if (!tarvo_test::childEndsWithin(pid_, std::chrono::seconds(2))) ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

}  // namespace peer
