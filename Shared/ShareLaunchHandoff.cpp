#include "Shared/ShareLaunchHandoff.h"

#include <cmath>
#include <exception>

#include "Shared/HashCombine.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Uuid.h"

namespace tarvo {

namespace pj = platform::json;
using platform::Json;

ShareLaunchHandoff::ShareLaunchHandoff()
    : id(platform::makeUUIDString()), createdAtEpoch(platform::nowEpochSeconds()) {}

ShareLaunchHandoff ShareLaunchHandoff::fromJson(const Json& json) {
    const Json& obj = pj::asObject(json, "handoff");
    ShareLaunchHandoff h;
    h.schema = pj::intOr(obj, "schema", 1);
    if (auto v = pj::optionalString(obj, "id")) h.id = std::move(*v);
    if (auto v = pj::optionalDouble(obj, "createdAtEpoch")) h.createdAtEpoch = *v;
    h.serverId = pj::stringOr(obj, "serverId", "");
    h.serverIdentity = pj::stringOr(obj, "serverIdentity", "");
    h.urlString = pj::stringOr(obj, "urlString", "");
    h.title = pj::stringOr(obj, "title", "Open in Tarvo");
    h.kind = pj::stringOr(obj, "kind", "open");
    h.path = pj::stringOr(obj, "path", "");
    return h;
}

Json ShareLaunchHandoff::toJson() const {
    Json j = Json::object();
    j["schema"] = schema;
    j["id"] = id;
    j["createdAtEpoch"] = createdAtEpoch;
    j["serverId"] = serverId;
    j["serverIdentity"] = serverIdentity;
    j["urlString"] = urlString;
    j["title"] = title;
    j["kind"] = kind;
    j["path"] = path;
    return j;
}

void ShareLaunchHandoff::save(const ShareLaunchHandoff& handoff, platform::UserDefaults& defaults) {
    // JSON has no form for NaN or infinity; writing "null" would hand the app a record it
    // cannot read, so such a record is not written at all.
    if (!std::isfinite(handoff.createdAtEpoch)) return;
    std::string text;
    try {
        text = platform::encodeSorted(handoff.toJson());
    } catch (const std::exception&) {
        return;  // the earlier request stays
    }
    defaults.set(kShareLaunchHandoffKey, platform::PropertyList(std::move(text)));
    defaults.synchronize();
}

std::size_t hashValue(const ShareLaunchHandoff& h) {
    std::size_t seed = 0;
    detail::hashCombine(seed, h.schema);
    detail::hashCombine(seed, h.id);
    detail::hashCombine(seed, h.createdAtEpoch);
    for (const std::string* s : {&h.serverId, &h.serverIdentity, &h.urlString, &h.title, &h.kind, &h.path}) {
        detail::hashCombine(seed, *s);
    }
    return seed;
}

}  // namespace tarvo
