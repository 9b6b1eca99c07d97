#pragma once
#include <string>
#include <string_view>

namespace platform {
// A new random (version 4) UUID as upper-case text, "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
std::string makeUUIDString();
// True for the 8-4-4-4-12 hexadecimal form (either case).
bool isUUIDString(std::string_view s);
}  // namespace platform
