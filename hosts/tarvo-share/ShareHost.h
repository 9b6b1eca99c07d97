#pragma once
// tarvo-share: runs the share extension the way the platform would, on the items a person
// names, in a phone-sized window, and carries out the steps a person would take on its screen
// (see ShareCommandLine.h for the command line and its exit codes).
#include <iosfwd>
#include <string>
#include <vector>

namespace tarvo::share_host {

// args without the program name. Reads steps from standard input in interactive mode; SIGINT
// and SIGTERM cancel the share (a second SIGINT ends the process at once with 130).
int runShareHost(const std::string& program, const std::vector<std::string>& args, std::ostream& out,
                 std::ostream& err);

int shareHostMain(int argc, const char* const* argv);

// The last line's text: line breaks written as \n so it stays one line.
std::string oneLine(const std::string& text);

}  // namespace tarvo::share_host
