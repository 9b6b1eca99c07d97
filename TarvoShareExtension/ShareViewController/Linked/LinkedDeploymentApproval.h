#pragma once
// The approval NVK Ostrel accepts at a deployment ticket's capability URL: where it goes, what
// it carries, and how an answer other than 2xx becomes the "ShareExtension" error shown to the
// user. Pure: the request itself is sent by the share controller.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/ShareViewController/Linked/NVKSidecarTickets.h"
#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/Json.h"

namespace tarvo::share {

inline constexpr std::int64_t kInvalidCapabilityURLCode = 41;
inline constexpr std::string_view kInvalidCapabilityURLText = "NVK capability URL is invalid.";
// Per request (no progress for this long) and for the whole exchange.
inline constexpr double kLinkedApprovalRequestTimeoutSeconds = 45;
inline constexpr double kLinkedApprovalResourceTimeoutSeconds = 60;
// How much of a refusal's body is shown, in characters.
inline constexpr std::size_t kLinkedApprovalFailureTextCharacters = 500;

// The capability URL without its fragment, or the code 41 error when it is not an absolute
// http(s) URL free of a user name and password.
std::string linkedApprovalRequestURL(std::string_view capabilityURL);

// The reply ticket as the JSON object that travels with an approval (and in a run policy).
platform::Json interactionReplyJson(const NVKInteractionReplyTicket& reply);

// {"action":"approve","targetIds":[…]} with "interactionReply" when given; compact.
std::string linkedApprovalBody(const std::vector<std::string>& targetIDs,
                               const std::optional<platform::Json>& interactionReply);

// The error for an answer outside 200…299: the status as its code (0 without an HTTP answer),
// the first 500 characters of a UTF-8 body, else "NVK Ostrel returned HTTP <status>.".
platform::NSError linkedApprovalRefusal(int status, std::span<const std::uint8_t> body);

}  // namespace tarvo::share
