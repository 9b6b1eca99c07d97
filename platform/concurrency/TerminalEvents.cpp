#include "platform/concurrency/TerminalEvents.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace platform {

namespace {

// The write end of the signal pipe while an InterruptSignals exists; the handler's only reach.
std::atomic<int> gSignalPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free descriptor");

// Notes the signal in the pipe, nothing else (a full pipe already says enough).
extern "C" void noteSignal(int number) {
    const int saved = errno;
    const int fd = gSignalPipe.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(number);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

struct Pipe {
    int read = -1;
    int write = -1;
    explicit Pipe(int flags) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | flags) != 0) {
            throw std::runtime_error(std::string("cannot create a pipe: ") + std::strerror(errno));
        }
        read = fds[0];
        write = fds[1];
    }
    ~Pipe() {
        if (read >= 0) ::close(read);
        if (write >= 0) ::close(write);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void wake() const {
        const unsigned char byte = 0;
        ssize_t n;
        do {
            n = ::write(write, &byte, 1);
        } while (n < 0 && errno == EINTR);
    }
};

// The signal pipe lives as long as the process: a handler that read the descriptor just as the
// watching ended still writes into this pipe, never into a descriptor opened since in its place.
const Pipe& signalPipe() {
    static const Pipe* const pipe = new Pipe(O_NONBLOCK);
    return *pipe;
}

// Waits until fd is readable (or the wake pipe is); false once woken.
bool waitReadable(int fd, int wakeFd) {
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const int n = ::poll(fds, wakeFd >= 0 ? 2 : 1, -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return true;  // the read that follows reports the trouble
        }
        if (wakeFd >= 0 && fds[1].revents) return false;
        if (fds[0].revents) return true;
    }
}

}  // namespace

// ---- Signals.

struct InterruptSignals::State {
    MainQueue& queue;
    std::function<void(Kind)> onSignal;
    std::atomic<bool> alive{true};
    const Pipe& pipe = signalPipe();
    std::thread watcher;
    struct sigaction oldInterrupt {};
    struct sigaction oldTerminate {};
    bool interruptInstalled = false;

    State(MainQueue& q, std::function<void(Kind)> f) : queue(q), onSignal(std::move(f)) {}

    void watch(const std::shared_ptr<State>& self) {
        int seen = 0;
        for (;;) {
            if (!waitReadable(pipe.read, -1)) return;
            unsigned char bytes[64];
            const ssize_t n = ::read(pipe.read, bytes, sizeof bytes);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) return;
            for (ssize_t i = 0; i < n; ++i) {
                const int number = bytes[i];
                if (number == 0) return;  // the destructor's wake-up
                if (++seen == 1) {
                    const Kind kind = number == SIGINT ? Kind::interrupt : Kind::terminate;
                    queue.post([self, kind] {
                        if (self->alive.load()) self->onSignal(kind);
                    });
                } else {
                    // Asked again while winding down: leave now, as the default action would.
                    ::_exit(128 + number);
                }
            }
        }
    }
};

InterruptSignals::InterruptSignals(MainQueue& queue, std::function<void(Kind)> onSignal)
    : state_(std::make_shared<State>(queue, std::move(onSignal))) {
    int expected = -1;
    if (!gSignalPipe.compare_exchange_strong(expected, state_->pipe.write)) {
        throw std::logic_error("signals are already being watched in this process");
    }
    // What an earlier watcher left unread (its wake-up, a signal after it) is not this one's.
    unsigned char stale[64];
    while (::read(state_->pipe.read, stale, sizeof stale) > 0) {
    }
    try {
        state_->watcher = std::thread([state = state_] { state->watch(state); });
    } catch (...) {
        gSignalPipe.store(-1);
        throw;
    }

    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, nullptr, &state_->oldInterrupt);
    if (state_->oldInterrupt.sa_handler != SIG_IGN) {
        ::sigaction(SIGINT, &action, nullptr);
        state_->interruptInstalled = true;
    }
    ::sigaction(SIGTERM, &action, &state_->oldTerminate);
}

InterruptSignals::~InterruptSignals() {
    if (state_->interruptInstalled) ::sigaction(SIGINT, &state_->oldInterrupt, nullptr);
    ::sigaction(SIGTERM, &state_->oldTerminate, nullptr);
    state_->alive.store(false);
    // A signal already noted still reaches the watcher before the wake-up, and is dropped.
    state_->pipe.wake();
    if (state_->watcher.joinable()) state_->watcher.join();
    gSignalPipe.store(-1);
}

// ---- Lines.

struct InputLines::State {
    MainQueue& queue;
    std::function<void(std::optional<std::string>)> onLine;
    int descriptor;
    std::atomic<bool> alive{true};
    Pipe wake{0};
    std::thread reader;

    State(MainQueue& q, std::function<void(std::optional<std::string>)> f, int fd)
        : queue(q), onLine(std::move(f)), descriptor(fd) {}

    void hand(const std::shared_ptr<State>& self, std::optional<std::string> line) {
        queue.post([self, line = std::move(line)]() mutable {
            if (self->alive.load()) self->onLine(std::move(line));
        });
    }

    void read(const std::shared_ptr<State>& self) {
        std::string pending;
        char buffer[4096];
        for (;;) {
            if (!waitReadable(descriptor, wake.read)) return;
            const ssize_t n = ::read(descriptor, buffer, sizeof buffer);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) break;
            pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t start = 0;
            for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
                hand(self, pending.substr(start, end - start));
            }
            pending.erase(0, start);
        }
        if (!pending.empty()) hand(self, std::move(pending));
        hand(self, std::nullopt);
    }
};

InputLines::InputLines(MainQueue& queue, std::function<void(std::optional<std::string>)> onLine, int descriptor)
    : state_(std::make_shared<State>(queue, std::move(onLine), descriptor)) {
    state_->reader = std::thread([state = state_] { state->read(state); });
}

InputLines::~InputLines() {
    state_->alive.store(false);
    state_->wake.wake();
    if (state_->reader.joinable()) state_->reader.join();
}

}  // namespace platform
