#pragma once
// A test server in a child process, started the way every fixture of tests/peer starts its
// own: standard input and output are pipes made close-on-exec (only the child's dup2 copies
// lose the flag, so a second server never inherits this one's standard input and each sees end
// of file when its own fixture goes away), and the server's first line of standard output says
// that it listens.
#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace peer {

class ServerProcess {
public:
    // How stop() ends the server once its standard input is closed: wait for it to leave, or
    // also send SIGTERM (SIGKILL after two seconds).
    enum class Ending { onEndOfInput, terminate };

    explicit ServerProcess(Ending ending) : ending_(ending) {}
    ~ServerProcess() { stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts argv (argv[0] a path) with its standard error to errorPath, or this process's own
    // when empty, and returns the first line it writes within the limit ("" when none came;
    // the caller judges it and stops the server). Throws std::runtime_error("could not start
    // <argv[0]>: <reason>") when it cannot be started.
    std::string start(std::vector<std::string> argv, const std::string& errorPath = "",
                      std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Closes its standard input and waits for it to end; nothing once it has ended.
    void stop();

    pid_t pid() const { return pid_; }

private:
    Ending ending_;
    pid_t pid_ = -1;
    int stdinWrite_ = -1;
};

}  // namespace peer
