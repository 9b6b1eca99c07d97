#include "Shared/SubstrateRoute.h"

#include <unordered_set>
#include <utility>

#include "Shared/HashCombine.h"
#include "platform/foundation/Text.h"

namespace tarvo {

namespace pj = platform::json;
using platform::Json;
namespace text = platform::text;

namespace {

// Text that reaches a request header must be well-formed UTF-8; a malformed sequence becomes
// U+FFFD, as the platform's strings would have made it.
std::string wellFormed(const std::string& s) {
    return text::isValidUTF8(s) ? s : text::fromUTF32(text::toUTF32(s));
}

std::optional<std::vector<std::string>> optionalStringList(const Json& obj, std::string_view key) {
    const Json* list = pj::optionalArray(obj, key);
    if (!list) return std::nullopt;
    std::vector<std::string> out;
    for (const Json& element : *list) out.push_back(pj::asString(element, key));
    return out;
}

}  // namespace

std::vector<std::string> SubstrateRoute::tokenize(std::string_view input) {
    std::string whole = text::trimmed(input);
    if (whole.empty()) return {};
    whole = text::replacingOccurrences(whole, "\n", " ");
    auto pieces = text::componentsSeparatedBy(
        whole, [](char32_t c) { return c == U',' || text::isWhitespaceOrNewline(c); });

    std::vector<std::string> tokens;
    std::unordered_set<std::string> seen;
    for (const auto& piece : pieces) {
        std::string token = text::trimmed(piece);
        if (token.empty()) continue;
        if (seen.insert(token).second) tokens.push_back(std::move(token));
    }
    return tokens;
}

std::optional<SubstrateRoute> SubstrateRoute::fromUI(std::string_view replyToText,
                                                     std::string_view onlyAgentsText,
                                                     std::optional<std::string_view> agentOnlyText) {
    auto reply = tokenize(replyToText);
    auto agents = tokenize(onlyAgentsText);
    std::string single = wellFormed(text::trimmed(agentOnlyText.value_or("")));
    if (reply.empty() && agents.empty() && single.empty()) return std::nullopt;

    SubstrateRoute route;
    route.schema = 1;
    if (!reply.empty()) route.replyTo = std::move(reply);
    if (!agents.empty()) route.onlyAgents = std::move(agents);
    if (!single.empty()) route.agentOnly = std::move(single);
    return route;
}

SubstrateRoute SubstrateRoute::fromJson(const Json& json) {
    const Json& obj = pj::asObject(json, "route");
    SubstrateRoute route;
    route.schema = pj::requireInt(obj, "schema");
    route.replyTo = optionalStringList(obj, "reply_to");
    route.onlyAgents = optionalStringList(obj, "only_agents");
    route.agentOnly = pj::optionalString(obj, "agent_only");
    return route;
}

Json SubstrateRoute::toJson() const {
    Json j = Json::object();
    j["schema"] = schema;
    if (replyTo) j["reply_to"] = *replyTo;
    if (onlyAgents) j["only_agents"] = *onlyAgents;
    if (agentOnly) j["agent_only"] = *agentOnly;
    return j;
}

std::size_t hashValue(const SubstrateRoute& r) {
    std::size_t seed = 0;
    detail::hashCombine(seed, r.schema);
    auto mixList = [&seed](const std::optional<std::vector<std::string>>& list) {
        detail::hashCombine(seed, list.has_value());
        if (!list) return;
        for (const auto& s : *list) detail::hashCombine(seed, s);
        detail::hashCombine(seed, list->size());
    };
    mixList(r.replyTo);
    mixList(r.onlyAgents);
    detail::hashCombine(seed, r.agentOnly.has_value());
    if (r.agentOnly) detail::hashCombine(seed, *r.agentOnly);
    return seed;
}

}  // namespace tarvo
