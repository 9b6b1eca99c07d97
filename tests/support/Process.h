#pragma once
// Runs a program to its end as a separate process and collects what it printed.
#include <chrono>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace tarvo_test {

struct ProcessResult {
    int exitCode = -1;  // -1 when the program could not start or was ended by a signal
    std::string out;
    std::string err;
};

// Starts program (a path, or a name looked up on PATH) with args, input on its standard input
// and env added to (or replacing entries of) this process's environment. Output of any size is
// read while the input is still being written, so neither side can block the other.
ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args = {},
                         const std::string& input = "",
                         const std::vector<std::pair<std::string, std::string>>& env = {});

// A program running beside the test, for what happens while it works: its standard input stays
// open for lines written later, its output is collected as it comes, and it can be sent a
// signal. SIGINT and SIGTERM start with their default actions whatever this process does with
// them. The destructor kills it (SIGKILL) if it still runs, and reaps it.
class RunningProgram {
public:
    struct Options {
        std::vector<std::pair<std::string, std::string>> env;
        // The capacity of its standard output pipe (0: the system's), so that a test that stops
        // reading can hold the program at its next large write.
        int outputPipeBytes = 0;
    };

    RunningProgram(const std::string& program, const std::vector<std::string>& args, Options options);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    void write(const std::string& text);
    void closeInput();
    void signal(int number);

    // Collects output until text appears in standard output (or, errorStream, in standard
    // error) or the limit has passed; true when it appeared, false also as soon as the outputs
    // it reads have ended without it. With errorStream, standard output is left unread.
    bool waitFor(const std::string& text, std::chrono::milliseconds limit, bool errorStream = false);
    // Collects all output until the program has ended, within the limit (then exitCode stays -1).
    ProcessResult finish(std::chrono::milliseconds limit);

    const std::string& out() const { return result_.out; }
    const std::string& err() const { return result_.err; }
    pid_t pid() const { return pid_; }

private:
    // Reads what is ready within `slice`; false once the outputs it reads (standard error alone
    // unless readOut) have ended.
    bool pump(std::chrono::milliseconds slice, bool readOut);

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    ProcessResult result_;
};

}  // namespace tarvo_test
