#pragma once
// Runs a program to its end as a separate process and collects what it printed.
#include <string>
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

}  // namespace tarvo_test
