#include "TarvoShareExtension/ShareViewController/Linked/LinkedDeploymentApproval.h"

#include "TarvoShareExtension/ShareViewController/Linked/NVKSidecarDecoder.h"
#include "TarvoShareExtension/ShareViewController/Screen/SendState.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"

namespace tarvo::share {

std::string linkedApprovalRequestURL(std::string_view capabilityURL) {
    const auto components = platform::URLComponents::parse(capabilityURL);
    const bool valid = components && components->url() && isValidNVKCapabilityURL(capabilityURL);
    if (!valid) {
        throw platform::NSError(std::string(kShareErrorDomain), kInvalidCapabilityURLCode,
                                std::string(kInvalidCapabilityURLText));
    }
    // The text itself, cut at the fragment: rebuilding it from components could re-encode the
    // query, and the capability may live there. In a valid reference "#" only opens the fragment.
    const std::size_t hash = capabilityURL.find('#');
    return std::string(capabilityURL.substr(0, hash));
}

platform::Json interactionReplyJson(const NVKInteractionReplyTicket& reply) { return encodeJson(reply); }

std::string linkedApprovalBody(const std::vector<std::string>& targetIDs,
                               const std::optional<platform::Json>& interactionReply) {
    platform::Json body = platform::Json::object();
    body["action"] = "approve";
    body["targetIds"] = targetIDs;
    if (interactionReply) body["interactionReply"] = *interactionReply;
    return platform::encodeCompact(body);
}

platform::NSError linkedApprovalRefusal(int status, std::span<const std::uint8_t> body) {
    const std::string_view text(reinterpret_cast<const char*>(body.data()), body.size());
    std::string description;
    if (!text.empty() && platform::text::isValidUTF8(text)) {
        description = platform::text::prefixGraphemes(text, kLinkedApprovalFailureTextCharacters);
    } else {
        description = "NVK Ostrel returned HTTP " + std::to_string(status) + ".";
    }
    return platform::NSError(std::string(kShareErrorDomain), status, std::move(description));
}

}  // namespace tarvo::share
