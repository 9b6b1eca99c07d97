#include "tests/support/Process.h"

#include "tests/support/ChildEnd.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

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

// Starts program with the pipes' far ends as its standard input, output and error, args after
// its name and env merged into this process's environment; the child's ends are closed here
// whatever happened. 0 or the error number of the failed start.
int spawnWithPipes(pid_t& pid, const std::string& program, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& env, Pipe& in, Pipe& out, Pipe& err,
                   const posix_spawnattr_t& attributes) {
    std::vector<std::string> argvStrings{program};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<std::string> envStrings = mergedEnvironment(env);
    std::vector<char*> argv = pointers(argvStrings);
    std::vector<char*> envp = pointers(envStrings);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.write, 2);
    const int rc = ::posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    in.closeRead();
    out.closeWrite();
    err.closeWrite();
    return rc;
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
    // A write to a program that has stopped reading raises SIGPIPE in this thread: hold it
    // blocked here (and consume it afterwards) while the child starts with the usual mask.
    sigset_t pipeSignal, oldMask;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &oldMask);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setsigmask(&attributes, &oldMask);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int rc = spawnWithPipes(pid, program, args, env, in, out, err, attributes);
    posix_spawnattr_destroy(&attributes);

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

namespace tarvo_test {

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& args, Options options) {
    Pipe in, out, err;
    if (!in.ok() || !out.ok() || !err.ok()) throw std::runtime_error("cannot create pipes");
    if (options.outputPipeBytes > 0) ::fcntl(out.read, F_SETPIPE_SZ, options.outputPipeBytes);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    const int rc = spawnWithPipes(pid_, program, args, options.env, in, out, err, attributes);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
    std::swap(in_, in.write);
    std::swap(out_, out.read);
    std::swap(err_, err.read);
}

RunningProgram::~RunningProgram() {
    if (in_ >= 0) ::close(in_);
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

void RunningProgram::write(const std::string& text) {
    // A program that has gone no longer reads: its end shows in finish(), not here.
    sigset_t pipeSignal, old;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &old);
    std::size_t written = 0;
    while (in_ >= 0 && written < text.size()) {
        const ssize_t n = ::write(in_, text.data() + written, text.size() - written);
        if (n > 0) written += static_cast<std::size_t>(n);
        else if (errno != EINTR) break;
    }
    sigset_t pending;
    sigpending(&pending);
    const timespec now{0, 0};
    if (sigismember(&pending, SIGPIPE)) ::sigtimedwait(&pipeSignal, nullptr, &now);
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

void RunningProgram::closeInput() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
}

void RunningProgram::signal(int number) {
    if (pid_ > 0) ::kill(pid_, number);
}

bool RunningProgram::pump(std::chrono::milliseconds slice, bool readOut) {
    // Standard output left unread never ends here, so only the streams read count.
    if ((!readOut || out_ < 0) && err_ < 0) return false;
    pollfd fds[2] = {{readOut ? out_ : -1, POLLIN, 0}, {err_, POLLIN, 0}};
    if (::poll(fds, 2, static_cast<int>(slice.count())) <= 0) return true;
    char buffer[65536];
    for (int i = 0; i < 2; ++i) {
        if (!fds[i].revents) continue;
        int& fd = i == 0 ? out_ : err_;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            (i == 0 ? result_.out : result_.err).append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            ::close(fd);
            fd = -1;
        }
    }
    return true;
}

bool RunningProgram::waitFor(const std::string& text, std::chrono::milliseconds limit, bool errorStream) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const std::string& collected = errorStream ? result_.err : result_.out;
    while (collected.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (!pump(std::chrono::milliseconds(50), !errorStream) && collected.find(text) == std::string::npos) return false;
    }
    return true;
}

ProcessResult RunningProgram::finish(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (pump(std::chrono::milliseconds(50), true)) {
        if (std::chrono::steady_clock::now() > deadline) return result_;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (!childEndsWithin(pid_, left)) return result_;
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(pid_, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited == pid_) {
        pid_ = -1;
        if (WIFEXITED(status)) result_.exitCode = WEXITSTATUS(status);
    }
    return result_;
}

}  // namespace tarvo_test
