#include "Core/WidgetEventStore.h"

#include <exception>

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

namespace {
std::size_t combine(std::size_t seed, std::size_t h) {
    return seed ^ (h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}
std::size_t hashDouble(double d) { return std::hash<double>{}(d == 0 ? 0.0 : d); }
}  // namespace

std::size_t std::hash<tarvo::WidgetEvent>::operator()(const tarvo::WidgetEvent& e) const noexcept {
    std::hash<std::string> hs;
    std::size_t h = hs(e.id);
    h = combine(h, hs(e.title));
    h = combine(h, hs(e.subtitle));
    h = combine(h, hs(e.kind));
    h = combine(h, hashDouble(e.timestamp));
    h = combine(h, e.deeplink ? combine(1, hs(*e.deeplink)) : 0);
    return h;
}

std::size_t std::hash<tarvo::WidgetFeedSnapshot>::operator()(
    const tarvo::WidgetFeedSnapshot& s) const noexcept {
    std::size_t h = std::hash<std::int64_t>{}(s.schema);
    h = combine(h, hashDouble(s.updatedAt));
    for (const auto& e : s.events) h = combine(h, std::hash<tarvo::WidgetEvent>{}(e));
    return h;
}
