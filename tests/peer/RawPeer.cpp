#include "tests/peer/RawPeer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace peer {

RawPeer::RawPeer() {
    int out[2];
    int in[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    if (::pipe2(in, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        throw std::runtime_error("pipe2 failed");
    }
    std::vector<std::string> argv = {TARVO_PYTHON, std::string(TARVO_SOURCE_DIR) + "/tests/peer/raw_peer.py",
                                     "--port", "0"};
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    // Only the copies made by dup2 lose close-on-exec: no other child inherits these pipes.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const int rc = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdinWrite_ = in[1];
    if (rc != 0) {
        ::close(out[0]);
        pid_ = -1;
        stop();
        throw std::runtime_error("could not start " + argv[0] + ": " + std::strerror(rc));
    }

    std::string line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{out[0], POLLIN, 0};
        const int r = ::poll(&p, 1, 100);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) continue;
        char c;
        if (::read(out[0], &c, 1) != 1 || c == '\n') break;
        line.push_back(c);
    }
    ::close(out[0]);
    const std::string prefix = "RAW_LISTENING ";
    if (line.rfind(prefix, 0) != 0) {
        stop();
        throw std::runtime_error("the raw peer did not start: " + line);
    }
    port_ = std::stoi(line.substr(prefix.size()));
}

RawPeer::~RawPeer() { stop(); }

void RawPeer::stop() {
    if (stdinWrite_ >= 0) {
        ::close(stdinWrite_);
        stdinWrite_ = -1;
    }
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno != EINTR)) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::string RawPeer::urlFor(const std::string& act) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + act;
}

std::string RawPeer::webSocketURLFor(const std::string& act) const {
    return "ws://127.0.0.1:" + std::to_string(port_) + "/" + act + "/ws";
}

}  // namespace peer
