#pragma once
// The activity widget: its timeline entry, its provider and its static configuration.
#include <string>

#include "Core/WidgetEventStore.h"
#include "platform/foundation/Json.h"
#include "platform/widgetkit/Timeline.h"
#include "platform/widgetkit/WidgetConfiguration.h"

namespace tarvo {

struct TarvoEntry {
    double date = 0;  // seconds since 1970
    WidgetFeedSnapshot snapshot;

    bool operator==(const TarvoEntry&) const = default;
};

// How the runtime reports an entry: the snapshot's JSON form (schema, updatedAt, events).
platform::Json timelineEntryPayload(const TarvoEntry& entry);

// Answers the runtime from the activity feed; keeps nothing between requests.
class TarvoProvider : public platform::TimelineProvider<TarvoEntry> {
public:
    static constexpr double kReloadInterval = 900.0;

    // Three sample events, dated now and a few minutes ago; never reads the feed.
    TarvoEntry placeholder(const platform::TimelineProviderContext& context) const override;
    // The live feed, now (also for the gallery preview).
    void getSnapshot(const platform::TimelineProviderContext& context,
                     const SnapshotCompletion& completion) const override;
    // One entry with the live feed, now; ask again fifteen minutes later.
    void getTimeline(const platform::TimelineProviderContext& context,
                     const TimelineCompletion& completion) const override;
};

struct TarvoWidget {
    std::string kind = "TarvoWidget";

    platform::StaticConfiguration<TarvoEntry> body() const;
};

}  // namespace tarvo
