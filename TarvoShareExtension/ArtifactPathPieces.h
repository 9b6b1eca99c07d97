#pragma once
// Small path-text helpers shared by the project signature, the candidate ranker and the
// smart-share scoring. Paths are UTF-8 with "/" separators; "/" is ASCII, so splitting bytes is
// safe for any text.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The "/"-separated pieces of path, empty pieces dropped.
std::vector<std::string> artifactPathPieces(std::string_view path);
std::string artifactJoinPieces(const std::vector<std::string>& pieces);
// The first non-empty "/"-separated piece, or nothing.
std::optional<std::string> artifactFirstPiece(std::string_view path);
// Lowercased with the full Unicode case mapping; plain ASCII, the usual case for archive
// paths, skips the Unicode machinery (the mapping is the same).
std::string artifactLowercased(std::string_view text);
// Equal under case folding.
bool artifactEqualsIgnoringCase(std::string_view a, std::string_view b);
// Number of user-perceived characters.
std::size_t artifactCharacterCount(std::string_view text);
// path without its first count user-perceived characters.
std::string artifactDroppingCharacters(const std::string& path, std::size_t count);
// The lowercased last three pieces of path joined with "/" (all of them when fewer): the shape
// that survives moving a project one or two folders deeper.
std::string artifactPathShape(const std::string& path);

}  // namespace tarvo
