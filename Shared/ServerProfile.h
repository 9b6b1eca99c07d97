#pragma once
// The user's servers as the Tarvo app stores them in the app group ("servers.json"), with the
// repairs applied on every load, and the read side of the list and of the active server.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Json.h"
#include "platform/foundation/Url.h"
#include "platform/foundation/UserDefaults.h"

namespace tarvo {

// One named address of a server.
struct ServerConnectionTarget {
    std::string id;
    std::string name;
    std::string urlString;

    // The trimmed URL text parsed, only when its scheme is http or https and it has a host.
    std::optional<platform::URL> urlValue() const;
    // The trimmed name; else host[:port] of urlValue(); else the trimmed URL text; else
    // "Connection target".
    std::string displayLabel() const;

    // All three keys are required. Throws platform::DecodingError.
    static ServerConnectionTarget fromJson(const platform::Json& json);
    platform::Json toJson() const;

    bool operator==(const ServerConnectionTarget&) const = default;
};

// One configured server. A default-constructed profile is what decoding "{}" gives before
// normalisation: a fresh upper-case UUID as id and empty or false everywhere else.
struct ServerProfile {
    std::string id;
    std::string name;
    std::string urlString;
    std::string token;
    std::vector<ServerConnectionTarget> connectionTargets;
    std::string selectedConnectionTargetID;
    std::string fallbackURLStrings;  // one URL a line
    std::string receptionistURLString;
    std::string receptionistToken;  // empty: use token
    std::string commandsJSON;       // the Tarvo app's; carried untouched apart from trimming
    bool screenSharingEnabled = false;
    std::string llmEndpointURLString;
    std::string llmModel;
    bool runCompletionPushEnabled = false;
    bool runCompletionPushFailuresOnly = false;
    std::string runPushRelayURLString;
    std::string runPushDeviceID;

    ServerProfile();

    // The trimmed name; else the selected target's label; else "Server".
    std::string displayLabel() const;
    // The target whose id equals selectedConnectionTargetID; else the first; none when empty.
    std::optional<ServerConnectionTarget> selectedConnectionTarget() const;
    // Every target but the selected one, in list order.
    std::vector<ServerConnectionTarget> inactiveConnectionTargets() const;
    // The selected target's trimmed URL text; without targets the profile's own, trimmed.
    std::string trimmedURLString() const;
    // An http(s) URL with a host for the selected target (or trimmedURLString()); else none.
    std::optional<platform::URL> urlValue() const;
    // The trimmed receptionist token when not empty, else the trimmed server token.
    std::string effectiveReceptionistToken() const;
    // The trimmed receptionist URL text parsed (any scheme); none when empty or unparsable.
    std::optional<platform::URL> receptionistURLValue() const;

    // Turns legacy URL fields into targets, cleans and de-duplicates the targets, repairs the
    // selection and rewrites urlString and fallbackURLStrings from the targets. Idempotent.
    void normalizeConnectionTargets();

    // Splits at ";", "," and line breaks; trimmed, empty pieces dropped, duplicates kept.
    static std::vector<std::string> parseURLList(std::string_view text);
    // parseURLList, then duplicates by routeKey dropped (first wins), joined with "\n".
    static std::string normalizedURLListText(std::string_view text);
    // The identity of an address: scheme and host lower-cased, trailing "/" removed.
    static std::string routeKey(const platform::URL& url);

    // Every key optional (absent or null takes the default); a present key of the wrong type
    // or a target missing a key fails with platform::DecodingError. The result is normalised.
    static ServerProfile fromJson(const platform::Json& json);
    // All seventeen keys, as they stand.
    platform::Json toJson() const;

    bool operator==(const ServerProfile&) const = default;
};

// Read side of the app group's "servers.json" and "activeServerId".
struct SharedServerConfig {
    // The profiles of a JSON array text, cleaned and in stored order. Any problem anywhere in
    // the text (not UTF-8, not an array, one bad profile or target) gives the empty list.
    static std::vector<ServerProfile> decodeServers(std::string_view json);
    // Why decodeServers gives no servers for a text that is not empty, in words for a person;
    // nullopt when the text decodes.
    static std::optional<std::string> decodeProblem(std::string_view json);
    // The profile whose id equals the trimmed "activeServerId"; else the first; else none.
    static std::optional<ServerProfile> loadActiveServer(const platform::UserDefaults& defaults);
};

std::size_t hashValue(const ServerConnectionTarget& target);
std::size_t hashValue(const ServerProfile& profile);

}  // namespace tarvo

template <>
struct std::hash<tarvo::ServerConnectionTarget> {
    std::size_t operator()(const tarvo::ServerConnectionTarget& v) const { return tarvo::hashValue(v); }
};
template <>
struct std::hash<tarvo::ServerProfile> {
    std::size_t operator()(const tarvo::ServerProfile& v) const { return tarvo::hashValue(v); }
};
