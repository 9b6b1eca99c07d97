#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
std::string base64Encode(std::string_view bytes);
std::string base64Encode(const std::vector<std::uint8_t>& bytes);
// Standard alphabet with padding; nullopt on any invalid character or length.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);
}  // namespace platform
