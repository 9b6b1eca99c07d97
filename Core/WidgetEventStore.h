#pragma once
// The activity feed that the Tarvo app publishes into the app group, and its reader.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Json.h"

namespace tarvo {

struct WidgetEvent {
    std::string id;
    std::string title;
    std::string subtitle;
    std::string kind;
    double timestamp = 0;  // seconds since 1970
    std::optional<std::string> deeplink;

    // The record as decoded: every value kept exactly as read.
    WidgetEvent() = default;
    // A record built by hand: title, subtitle, kind and a given deeplink are trimmed of white
    // space and line breaks (a deeplink that trims to nothing stays an empty string).
    WidgetEvent(std::string id, std::string title, std::string subtitle, std::string kind,
                double timestamp, std::optional<std::string> deeplink = std::nullopt);

    bool operator==(const WidgetEvent&) const = default;
};

struct WidgetFeedSnapshot {
    std::int64_t schema = 1;
    double updatedAt = 0;  // seconds since 1970
    std::vector<WidgetEvent> events;

    // The empty feed: schema 1, updated now, no events.
    WidgetFeedSnapshot();
    WidgetFeedSnapshot(std::int64_t schema, double updatedAt, std::vector<WidgetEvent> events);

    bool operator==(const WidgetFeedSnapshot&) const = default;
};

// The feed's JSON form. Decoding is strict: a missing key, a value of the wrong type or a
// date that is not an internet date-time to the second throws platform::DecodingError; keys
// not listed are ignored. Encoding writes dates in UTC and leaves out an absent deeplink.
WidgetEvent widgetEventFromJson(const platform::Json& j);
WidgetFeedSnapshot widgetFeedSnapshotFromJson(const platform::Json& j);
platform::Json toJson(const WidgetEvent& event);
platform::Json toJson(const WidgetFeedSnapshot& snapshot);
// The feed decoded from UTF-8 JSON text, or nullopt when any part of it is unreadable.
std::optional<WidgetFeedSnapshot> decodeWidgetFeedSnapshot(std::string_view text) noexcept;

// Where the feed lives and how the widget reads it. No state: every call reads afresh.
class WidgetEventStore {
public:
    static constexpr const char* kFeedFileName = "widget.events.feed.v1.json";
    static constexpr const char* kFeedDefaultsKey = "widget.events.feed.v1";
    static constexpr const char* kFallbackAppGroupID = "group.nolvek.Tarvo";

    // The container file when it holds a readable feed (even an empty one), else the
    // defaults string when it does, else the empty feed. Never fails.
    static WidgetFeedSnapshot loadSnapshot();

    WidgetEventStore() = delete;

private:
    static std::string appGroupID();
    static std::optional<std::string> snapshotURL();
};

}  // namespace tarvo

template <>
struct std::hash<tarvo::WidgetEvent> {
    std::size_t operator()(const tarvo::WidgetEvent& e) const noexcept;
};

template <>
struct std::hash<tarvo::WidgetFeedSnapshot> {
    std::size_t operator()(const tarvo::WidgetFeedSnapshot& s) const noexcept;
};
