#pragma once
// What a person at a terminal does to a running program, delivered as events of a main queue:
// an interrupt (Ctrl-C) or a termination request, and the lines they type. Nothing is done in
// a signal handler but noting the signal; nothing is handed to the program but on its queue, so
// the program reacts to both between two handlers like to any other event.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/concurrency/MainQueue.h"

namespace platform {

// SIGINT and SIGTERM, from construction to destruction (one at a time in a process).
//
// The first of them is handed to onSignal on the queue: the program winds down through its own
// paths (its normal exit, which removes what it made). A later SIGINT, while that runs, ends
// the process at once with status 130 (a later SIGTERM with 143), as a person who presses Ctrl-C
// again expects, whatever the queue is busy with. An interrupt that was ignored when the program
// started (a background job of a shell) stays ignored. The destructor puts back what was there.
class InterruptSignals {
public:
    enum class Kind { interrupt, terminate };

    InterruptSignals(MainQueue& queue, std::function<void(Kind)> onSignal);
    ~InterruptSignals();
    InterruptSignals(const InterruptSignals&) = delete;
    InterruptSignals& operator=(const InterruptSignals&) = delete;

    struct State;

private:
    std::shared_ptr<State> state_;
};

// The lines of a file descriptor (standard input by default), read on a thread of their own
// while the program works. Each line (without its line break; a last line without one counts
// too) and then the end of the input (nullopt) are handed to onLine on the queue, in order.
// The destructor stops the reading; what was read and not yet handed over is dropped.
class InputLines {
public:
    InputLines(MainQueue& queue, std::function<void(std::optional<std::string>)> onLine, int descriptor = 0);
    ~InputLines();
    InputLines(const InputLines&) = delete;
    InputLines& operator=(const InputLines&) = delete;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace platform
