#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
std::string base64Encode(std::string_view bytes);
// The length of the encoding of n bytes (padding included).
constexpr std::size_t base64EncodedSize(std::size_t n) { return (n + 2) / 3 * 4; }
// Writes the encoding of n bytes at out (base64EncodedSize(n) characters, no terminator) and
// returns the end of what it wrote. For streams that build their frames in place.
char* base64EncodeTo(const void* data, std::size_t n, char* out);
std::string base64Encode(const std::vector<std::uint8_t>& bytes);
// Standard alphabet with padding; nullopt on any invalid character or length.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);
}  // namespace platform
