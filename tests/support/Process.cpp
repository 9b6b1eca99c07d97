#include "tests/support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace tarvo_test {
namespace {

// Both ends close-on-exec: only the child's dup2'd copies survive exec, so no other child ever
// holds one of these ends open and end of file always arrives.
struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    bool ok() const { return read >= 0; }
    void closeRead() {
        if (read >= 0) ::close(read);
        read = -1;
    }
    void closeWrite() {
        if (write >= 0) ::close(write);
        write = -1;
    }
};

std::vector<std::string> mergedEnvironment(const std::vector<std::pair<std::string, std::string>>& env) {
    std::vector<std::string> merged;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& variable : env) replaced = replaced || entry.rfind(variable.first + "=", 0) == 0;
        if (!replaced) merged.push_back(entry);
    }
    for (const auto& [name, value] : env) merged.push_back(name + "=" + value);
    return merged;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// Moves bytes until the child has closed both output pipes.
void exchange(Pipe& in, Pipe& out, Pipe& err, const std::string& input, ProcessResult& result) {
    std::size_t written = 0;
    if (input.empty()) in.closeWrite();
    else ::fcntl(in.write, F_SETFL, ::fcntl(in.write, F_GETFL) | O_NONBLOCK);
    char buffer[65536];
    while (out.read >= 0 || err.read >= 0) {
        pollfd fds[3] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}, {in.write, POLLOUT, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (!fds[i].revents) continue;
            Pipe& pipe = i == 0 ? out : err;
            const ssize_t n = ::read(pipe.read, buffer, sizeof buffer);
            if (n > 0) (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR) pipe.closeRead();
        }
        if (fds[2].revents) {
            const ssize_t n = ::write(in.write, input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<std::size_t>(n);
            // A program that stops reading early (EPIPE) simply gets no more input.
            if ((n < 0 && errno != EINTR && errno != EAGAIN) || written == input.size()) in.closeWrite();
        }
    }
}

}  // namespace

ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                         const std::vector<std::pair<std::string, std::string>>& env) {
    ProcessResult result;
    Pipe in, out, err;
    if (!in.ok() || !out.ok() || !err.ok()) {
        result.err = "cannot create pipes: " + std::string(std::strerror(errno));
        return result;
    }
    std::vector<std::string> argvStrings{program};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<std::string> envStrings = mergedEnvironment(env);
    std::vector<char*> argv = pointers(argvStrings);
    std::vector<char*> envp = pointers(envStrings);

    // A write to a program that has stopped reading raises SIGPIPE in this thread: hold it
    // blocked here (and consume it afterwards) while the child starts with the usual mask.
    sigset_t pipeSignal, oldMask;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &oldMask);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.write, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setsigmask(&attributes, &oldMask);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    in.closeRead();
    out.closeWrite();
    err.closeWrite();

    if (rc != 0) {
        result.err = "cannot start " + program + ": " + std::strerror(rc);
    } else {
        exchange(in, out, err, input, result);
        in.closeWrite();
        int status = 0;
        pid_t waited;
        do {
            waited = ::waitpid(pid, &status, 0);
        } while (waited < 0 && errno == EINTR);
        if (waited == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    }

    if (!sigismember(&pendingBefore, SIGPIPE)) {
        sigset_t pending;
        sigpending(&pending);
        const timespec now{0, 0};
        if (sigismember(&pending, SIGPIPE)) ::sigtimedwait(&pipeSignal, nullptr, &now);
    }
    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    return result;
}

}  // namespace tarvo_test
