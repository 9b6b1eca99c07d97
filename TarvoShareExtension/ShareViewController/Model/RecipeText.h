#pragma once
// The text rules every part of a post-upload recipe agrees on: how a value is quoted for the
// shell, how commands, working directories and script path lists are normalised before they
// are stored or compared.
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::share {

// The value in single quotes, each single quote inside written as '"'"'; "" gives ''.
std::string shellQuoted(std::string_view value);

// CR LF and then lone CR made LF, then trimmed of whitespace and newlines; inner lines stay.
std::string normalizedCommand(std::string_view command);

// NULs removed, CR LF and CR made LF, only the text before the first line break (any newline
// character) kept, trimmed of whitespace and newlines.
std::string normalizeWorkingDirectoryPath(std::string_view path);

// Each path with "\" made "/", trimmed of whitespace and newlines and then of "/" at both
// ends; empty paths dropped, and of paths equal ignoring case only the first, in its own
// spelling. Input order is kept.
std::vector<std::string> normalizedScriptPathList(const std::vector<std::string>& paths);

}  // namespace tarvo::share
