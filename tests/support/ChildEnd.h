#pragma once
// Waiting for a child process to end, within a limit, woken by its end rather than by a timer
// wherever the system allows.
#include <poll.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace tarvo_test {

// True once the child pid has ended (it is left to be reaped), false when the limit passed
// first, by looking at the child's state every few milliseconds: the way where the system has
// no process descriptors (an old kernel, a container that forbids the call).
inline bool childEndsWithinLooking(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// The same, woken at the child's end: a process descriptor becomes readable then.
inline bool childEndsWithin(pid_t pid, std::chrono::milliseconds limit) {
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) return childEndsWithinLooking(pid, limit);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool ended = false;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (r < 0 && errno == EINTR) continue;
        ended = r > 0;
        break;
    }
    ::close(fd);
    return ended;
}

}  // namespace tarvo_test
