#pragma once
// A URL load request: what a data or upload task sends.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/foundation/Url.h"

namespace platform {

class URLRequest {
public:
    // Only the protocol's default policy exists here: nothing is cached.
    enum class CachePolicy { useProtocolCachePolicy = 0 };

    explicit URLRequest(URL url, CachePolicy cachePolicy = CachePolicy::useProtocolCachePolicy,
                        double timeoutInterval = 60);

    URL url;
    CachePolicy cachePolicy;
    // Seconds a task may go without any progress before it fails with timedOut.
    double timeoutInterval;
    std::string httpMethod = "GET";
    std::optional<std::vector<std::uint8_t>> httpBody;

    // Replaces every earlier value of that name (names compare case-insensitively).
    void setValue(std::string value, std::string_view field);
    // Adds one more value, joined to an earlier one with ", ".
    void addValue(std::string_view value, std::string_view field);
    std::optional<std::string> value(std::string_view field) const;
    // In the order first set, with the spelling first used.
    const std::vector<std::pair<std::string, std::string>>& allHTTPHeaderFields() const {
        return headers_;
    }

private:
    std::vector<std::pair<std::string, std::string>> headers_;
};

// The reply of an HTTP(S) load.
struct HTTPURLResponse {
    explicit HTTPURLResponse(URL u) : url(std::move(u)) {}
    URL url;
    int statusCode = 0;
    // Names as the server spelled them; repeated fields joined with ", " in arrival order.
    std::vector<std::pair<std::string, std::string>> allHeaderFields;
    // Content-Length when the server sent one, else -1.
    std::int64_t expectedContentLength = -1;

    std::optional<std::string> value(std::string_view field) const;
};

// Header fields that may go on the wire: a name made of RFC 9110 token characters and a value
// without CR, LF or NUL (anything else could smuggle a second header or request).
bool isValidHeaderFieldName(std::string_view name);
bool isValidHeaderFieldValue(std::string_view value);

}  // namespace platform
