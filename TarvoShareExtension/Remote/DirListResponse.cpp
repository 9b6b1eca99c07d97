#include "TarvoShareExtension/Remote/DirListResponse.h"

#include <functional>

#include "Shared/HashCombine.h"

namespace tarvo {

using namespace platform::json;

Entry Entry::fromJson(const platform::Json& json) {
    asObject(json);
    Entry e;
    e.name = requireString(json, "name");
    e.type = requireString(json, "type");
    e.size = requireInt(json, "size");
    e.mtime = requireInt(json, "mtime");
    e.executable = requireBool(json, "executable");
    return e;
}

DirListResponse DirListResponse::fromJson(const platform::Json& json) {
    asObject(json);
    DirListResponse r;
    r.path = requireString(json, "path");
    for (const auto& item : requireArray(json, "entries")) r.entries.push_back(Entry::fromJson(item));
    return r;
}

FileStatResponse FileStatResponse::fromJson(const platform::Json& json) {
    asObject(json);
    FileStatResponse r;
    r.ok = optionalBool(json, "ok");
    r.path = requireString(json, "path");
    r.type = requireString(json, "type");
    r.size = optionalInt(json, "size");
    r.mtime = optionalInt(json, "mtime");
    r.etag = optionalString(json, "etag");
    r.mime = optionalString(json, "mime");
    return r;
}

}  // namespace tarvo

std::size_t std::hash<tarvo::Entry>::operator()(const tarvo::Entry& e) const noexcept {
    std::size_t seed = 0;
    tarvo::detail::hashCombine(seed, e.name);
    tarvo::detail::hashCombine(seed, e.type);
    tarvo::detail::hashCombine(seed, e.size);
    tarvo::detail::hashCombine(seed, e.mtime);
    tarvo::detail::hashCombine(seed, e.executable);
    return seed;
}
