// Feeds arbitrary bytes to the NVK sidecar ticket decoder. The first byte picks the name the
// item travels under (a deployment or a reply ticket, in either letter case, or neither) and
// the present; the rest is the file's contents. Whatever the bytes, decoding ends with a
// ticket or with none. A ticket that comes out obeys every rule, survives its own JSON form
// unchanged, and yields the approval's URL (or the invalid-URL error), body and texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "TarvoShareExtension/ShareViewController/Linked/LinkedDeploymentApproval.h"
#include "TarvoShareExtension/ShareViewController/Linked/LinkedDeploymentText.h"
#include "TarvoShareExtension/ShareViewController/Linked/NVKSidecarDecoder.h"
#include "platform/foundation/Json.h"

namespace {

using namespace tarvo::share;

void require(bool condition) {
    if (!condition) std::abort();
}

void checkApproval(const std::string& capabilityURL) {
    try {
        const std::string url = linkedApprovalRequestURL(capabilityURL);
        require(url.find('#') == std::string::npos);
        require(capabilityURL.compare(0, url.size(), url) == 0);
    } catch (const platform::NSError& e) {
        require(e.code() == kInvalidCapabilityURLCode);
    }
}

void checkDeployment(const NVKLinkedDeployment& d, std::int64_t now) {
    require(d.schema == kNVKDeploymentSchema);
    require(d.expiresAtMs > now);
    require(!d.changeId.empty() && !d.batchId.empty() && !d.targets.empty());
    require(isValidNVKCapabilityURL(d.capabilityURL));
    require(decodeNVKLinkedDeployment(platform::parseJson(platform::encodeCompact(encodeJson(d)))) == d);
    checkApproval(d.capabilityURL);
    const auto selected = preselectedLinkedTargetIDs(d);
    const auto eligible = eligibleLinkedTargets(d, selected);
    require(eligible.size() <= d.targets.size());
    (void)linkedDeploymentSubtitle(d);
    std::size_t ordinal = 0;
    for (const auto& target : d.targets) {
        (void)linkedApprovalMessage(target);
        (void)linkedApprovalTitle(++ordinal, d.targets.size());
        (void)linkedTargetAccessibilityLabel(target, linkedTargetCapsule(target, selected, false));
        (void)linkedTargetDetail(target);
    }
    std::vector<std::string> ids;
    for (const auto& target : eligible) ids.push_back(target.id);
    const platform::Json body = platform::parseJson(linkedApprovalBody(ids, std::nullopt));
    require(body.at("targetIds").size() == ids.size());
}

void checkReply(const NVKInteractionReplyTicket& r, std::int64_t now) {
    require(r.schema == kNVKReplySchema);
    require(r.expiresAtMs > now);
    require(!r.targetId.empty());
    require(isValidNVKCapabilityURL(r.capabilityURL));
    const platform::Json json = interactionReplyJson(r);
    require(decodeNVKInteractionReplyTicket(platform::parseJson(platform::encodeCompact(json))) == r);
    const platform::Json body = platform::parseJson(linkedApprovalBody({"t"}, json));
    require(body.at("interactionReply") == json);
    (void)returnResultLabelText(r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const char* const kNames[] = {"a.nvk-deploy.json", "A.NVK-RETURN.JSON", "b.nvk-return.json",
                                         "B.Nvk-Deploy.Json", "c.json", "d.nvk-deploy.json.bak"};
    const std::uint8_t selector = data[0];
    const std::string_view name = kNames[selector % 6];
    // A present early or late enough to make expiry go either way for most inputs.
    const std::int64_t now = (selector & 0x80) ? INT64_MAX - 1 : 0;
    const std::string_view contents(reinterpret_cast<const char*>(data + 1), size - 1);

    std::optional<DecodedNVKSidecar> decoded;
    try {
        decoded = decodeNVKSidecarContents(name, contents, now);
    } catch (...) {
        std::abort();  // decoding reports nothing and never throws
    }
    if (!decoded) return 0;
    require(contents.size() <= static_cast<std::size_t>(kNVKSidecarByteLimit));
    if (const auto* d = std::get_if<NVKLinkedDeployment>(&*decoded)) {
        checkDeployment(*d, now);
    } else {
        checkReply(std::get<NVKInteractionReplyTicket>(*decoded), now);
    }
    return 0;
}
