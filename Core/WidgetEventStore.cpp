#include "Core/WidgetEventStore.h"

#include <exception>

#include "Shared/HashCombine.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/FileData.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/UserDefaults.h"

namespace tarvo {

namespace json = platform::json;
using platform::Json;

WidgetEvent::WidgetEvent(std::string id, std::string title, std::string subtitle,
                         std::string kind, double timestamp, std::optional<std::string> deeplink)
    : id(std::move(id)),
      title(platform::text::trimmed(title)),
      subtitle(platform::text::trimmed(subtitle)),
      kind(platform::text::trimmed(kind)),
      timestamp(timestamp),
      deeplink(deeplink ? std::optional<std::string>(platform::text::trimmed(*deeplink))
                        : std::nullopt) {}

WidgetFeedSnapshot::WidgetFeedSnapshot() : schema(1), updatedAt(platform::nowEpochSeconds()) {}

WidgetFeedSnapshot::WidgetFeedSnapshot(std::int64_t schema, double updatedAt,
                                       std::vector<WidgetEvent> events)
    : schema(schema), updatedAt(updatedAt), events(std::move(events)) {}

namespace {

double requireDate(const Json& obj, std::string_view key) {
    const std::string text = json::requireString(obj, key);
    auto date = platform::DateFormatter::parseISO8601(text);
    if (!date) {
        throw platform::DecodingError(platform::DecodingError::Kind::dataCorrupted,
                                      std::string(key));
    }
    return *date;
}

}  // namespace

WidgetEvent widgetEventFromJson(const Json& j) {
    const Json& obj = json::asObject(j);
    WidgetEvent e;
    e.id = json::requireString(obj, "id");
    e.title = json::requireString(obj, "title");
    e.subtitle = json::requireString(obj, "subtitle");
    e.kind = json::requireString(obj, "kind");
    e.timestamp = requireDate(obj, "timestamp");
    e.deeplink = json::optionalString(obj, "deeplink");
    return e;
}

WidgetFeedSnapshot widgetFeedSnapshotFromJson(const Json& j) {
    const Json& obj = json::asObject(j);
    const std::int64_t schema = json::requireInt(obj, "schema");
    const double updatedAt = requireDate(obj, "updatedAt");
    std::vector<WidgetEvent> events;
    for (const Json& item : json::requireArray(obj, "events")) {
        events.push_back(widgetEventFromJson(item));
    }
    return WidgetFeedSnapshot(schema, updatedAt, std::move(events));
}

Json toJson(const WidgetEvent& e) {
    Json j = Json::object();
    j["id"] = e.id;
    j["title"] = e.title;
    j["subtitle"] = e.subtitle;
    j["kind"] = e.kind;
    j["timestamp"] = platform::DateFormatter::formatISO8601(e.timestamp);
    if (e.deeplink) j["deeplink"] = *e.deeplink;
    return j;
}

Json toJson(const WidgetFeedSnapshot& s) {
    Json j = Json::object();
    j["schema"] = s.schema;
    j["updatedAt"] = platform::DateFormatter::formatISO8601(s.updatedAt);
    Json events = Json::array();
    for (const auto& e : s.events) events.push_back(toJson(e));
    j["events"] = std::move(events);
    return j;
}

std::optional<WidgetFeedSnapshot> decodeWidgetFeedSnapshot(std::string_view text) noexcept {
    try {
        auto parsed = platform::tryParseJson(text);
        if (!parsed) return std::nullopt;
        return widgetFeedSnapshotFromJson(*parsed);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string WidgetEventStore::appGroupID() {
    const Json& info = platform::Bundle::main().infoDictionary();
    std::string value;
    if (info.is_object()) {
        auto it = info.find("APP_GROUP_ID");
        if (it != info.end() && it->is_string()) value = it->get<std::string>();
    }
    value = platform::text::trimmed(value);
    return value.empty() ? kFallbackAppGroupID : value;
}

std::optional<std::string> WidgetEventStore::snapshotURL() {
    auto container = platform::paths::appGroupContainer(appGroupID());
    if (!container) return std::nullopt;
    std::string path = *container;
    if (path.empty() || path.back() != '/') path += '/';
    return path + kFeedFileName;
}

WidgetFeedSnapshot WidgetEventStore::loadSnapshot() {
    // Whatever goes wrong with one source, the next one is tried; the widget shows the empty
    // feed rather than an error.
    try {
        if (auto path = snapshotURL()) {
            if (auto bytes = platform::readFileContents(*path)) {
                if (auto snapshot = decodeWidgetFeedSnapshot(*bytes)) return *snapshot;
            }
        }
    } catch (const std::exception&) {
    }
    try {
        if (auto defaults = platform::UserDefaults::suite(appGroupID())) {
            if (auto text = defaults->string(kFeedDefaultsKey)) {
                if (auto snapshot = decodeWidgetFeedSnapshot(*text)) return *snapshot;
            }
        }
    } catch (const std::exception&) {
    }
    return WidgetFeedSnapshot();
}

}  // namespace tarvo

std::size_t std::hash<tarvo::WidgetEvent>::operator()(const tarvo::WidgetEvent& e) const noexcept {
    using tarvo::detail::hashCombine;
    std::size_t h = 0;
    hashCombine(h, e.id);
    hashCombine(h, e.title);
    hashCombine(h, e.subtitle);
    hashCombine(h, e.kind);
    hashCombine(h, e.timestamp);
    // An absent deeplink differs from an empty one.
    hashCombine(h, e.deeplink.has_value());
    if (e.deeplink) hashCombine(h, *e.deeplink);
    return h;
}

std::size_t std::hash<tarvo::WidgetFeedSnapshot>::operator()(
    const tarvo::WidgetFeedSnapshot& s) const noexcept {
    using tarvo::detail::hashCombine;
    std::size_t h = 0;
    hashCombine(h, s.schema);
    hashCombine(h, s.updatedAt);
    for (const auto& e : s.events) hashCombine(h, e);
    return h;
}
