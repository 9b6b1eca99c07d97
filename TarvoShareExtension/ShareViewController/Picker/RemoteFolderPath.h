#pragma once
// Paths of folders on a user's server, as the folder picker holds them: relative to the
// server's file root, with no leading or trailing "/", segments joined by "/", every segment
// trimmed of white space, and no empty, "." or ".." segment (".." never climbs: a typed path
// can never leave the root). The root is the empty string; people see a leading "/".
#include <string>
#include <string_view>

namespace tarvo::share {

// The canonical form of what a person typed or a setting held.
std::string normalizeFolderInput(std::string_view input);

// name (itself read as a relative path) inside base, both made canonical first.
std::string childPath(std::string_view base, std::string_view name);

// The path as people see it: "/" in front, so the root reads "/".
std::string displayedFolderPath(std::string_view path);

}  // namespace tarvo::share
