#pragma once
// Who should receive an emitted event: reply-to addresses, the only agents that may take it,
// or one single agent. Sent as JSON in the emit's "X-Substrate-Route" header.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Json.h"

namespace tarvo {

struct SubstrateRoute {
    std::int64_t schema = 1;
    std::optional<std::vector<std::string>> replyTo;     // "reply_to"
    std::optional<std::vector<std::string>> onlyAgents;  // "only_agents"
    std::optional<std::string> agentOnly;                // "agent_only"

    // The distinct tokens of a list field, in first-seen order, cut at commas and white space.
    static std::vector<std::string> tokenize(std::string_view text);
    // The route of the three screen fields; none when all three are blank. Empty parts are
    // left absent.
    static std::optional<SubstrateRoute> fromUI(std::string_view replyToText,
                                                std::string_view onlyAgentsText,
                                                std::optional<std::string_view> agentOnlyText);

    // "schema" required, the rest optional. Throws platform::DecodingError.
    static SubstrateRoute fromJson(const platform::Json& json);
    // "schema" always, the other keys only when present.
    platform::Json toJson() const;

    bool operator==(const SubstrateRoute&) const = default;
};

std::size_t hashValue(const SubstrateRoute& route);

}  // namespace tarvo

template <>
struct std::hash<tarvo::SubstrateRoute> {
    std::size_t operator()(const tarvo::SubstrateRoute& v) const { return tarvo::hashValue(v); }
};
