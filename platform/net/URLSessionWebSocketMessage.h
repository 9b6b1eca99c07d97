#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// One WebSocket message: text (UTF-8) or bytes.
struct URLSessionWebSocketMessage {
    enum class Kind { string, data };
    Kind kind = Kind::string;
    // The text, or the raw bytes of a data message.
    std::string payload;

    static URLSessionWebSocketMessage string(std::string text) { return {Kind::string, std::move(text)}; }
    static URLSessionWebSocketMessage data(std::string bytes) { return {Kind::data, std::move(bytes)}; }
    static URLSessionWebSocketMessage data(const std::vector<std::uint8_t>& bytes) {
        return {Kind::data, std::string(bytes.begin(), bytes.end())};
    }
    bool operator==(const URLSessionWebSocketMessage&) const = default;
};

}  // namespace platform
