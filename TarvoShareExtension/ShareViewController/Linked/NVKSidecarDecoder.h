#pragma once
// Reading NVK sidecar tickets: the JSON form of the four ticket records, the rules a ticket
// must pass, and the decoding of one shared item. Decoding never throws and reports nothing:
// a ticket with any defect is simply not a ticket.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoShareExtension/Intake/TempItem.h"
#include "TarvoShareExtension/ShareViewController/Linked/NVKSidecarTickets.h"
#include "platform/foundation/Json.h"

namespace tarvo::share {

inline constexpr std::string_view kNVKDeploymentSchema = "nvk.deployment.shareTicket.v1";
inline constexpr std::string_view kNVKReplySchema = "nvk.interaction.reply-ticket.v1";
// The largest ticket file read. Reading stops one byte past it, so a file whose size the file
// system does not report (a pipe, a device) or that grows while it is read costs no more.
inline constexpr std::int64_t kNVKSidecarByteLimit = 1'048'576;

// ---- JSON form: every key required, non-null and of its type (the times integral and within
// 64 bits); keys not listed are ignored. Decoding throws platform::DecodingError.
NVKLinkedExecution decodeNVKLinkedExecution(const platform::Json& json);
NVKLinkedTarget decodeNVKLinkedTarget(const platform::Json& json);
NVKLinkedDeployment decodeNVKLinkedDeployment(const platform::Json& json);
NVKInteractionReplyTicket decodeNVKInteractionReplyTicket(const platform::Json& json);
platform::Json encodeJson(const NVKLinkedExecution& value);
platform::Json encodeJson(const NVKLinkedTarget& value);
platform::Json encodeJson(const NVKLinkedDeployment& value);
platform::Json encodeJson(const NVKInteractionReplyTicket& value);

// An absolute URL whose scheme is http or https in any letter case, without a user name or a
// password. Host, port, path, query and fragment are not looked at.
bool isValidNVKCapabilityURL(std::string_view text);

// The wall clock's seconds as whole milliseconds, truncated toward zero (clamped to 64 bits).
std::int64_t epochMilliseconds(double epochSeconds);

// The ticket a file's contents hold, judged by the name the item travels under (its suffix in
// any letter case picks the kind) at the moment nowMs. Contents beyond kNVKSidecarByteLimit
// are refused.
std::optional<DecodedNVKSidecar> decodeNVKSidecarContents(std::string_view filename, std::string_view contents,
                                                          std::int64_t nowMs);

// The ticket one materialised item holds: the name decides whether it is read at all; a file
// reported larger than the limit is refused unread, and no file is read past one byte over
// the limit.
std::optional<DecodedNVKSidecar> decodeNVKSidecar(const TempItem& item, std::int64_t nowMs);

}  // namespace tarvo::share
