#include "TarvoWidgets/WidgetDefinition.h"

#include <memory>

#include "TarvoWidgets/WidgetView.h"
#include "platform/foundation/Clock.h"

namespace tarvo {

platform::Json timelineEntryPayload(const TarvoEntry& entry) { return toJson(entry.snapshot); }

TarvoEntry TarvoProvider::placeholder(const platform::TimelineProviderContext&) const {
    const double now = platform::nowEpochSeconds();
    std::vector<WidgetEvent> events = {
        WidgetEvent("preview-1", "Build finished", "cmd \u2022 0 errors", "cmd",
                    platform::nowEpochSeconds()),
        WidgetEvent("preview-2", "Clipboard updated", "clipboard", "clipboard",
                    platform::nowEpochSeconds() - 120),
        WidgetEvent("preview-3", "Voice note received", "voice", "voice",
                    platform::nowEpochSeconds() - 420),
    };
    return TarvoEntry{now, WidgetFeedSnapshot(1, platform::nowEpochSeconds(), std::move(events))};
}

void TarvoProvider::getSnapshot(const platform::TimelineProviderContext&,
                                const SnapshotCompletion& completion) const {
    completion(TarvoEntry{platform::nowEpochSeconds(), WidgetEventStore::loadSnapshot()});
}

void TarvoProvider::getTimeline(const platform::TimelineProviderContext&,
                                const TimelineCompletion& completion) const {
    TarvoEntry entry{platform::nowEpochSeconds(), WidgetEventStore::loadSnapshot()};
    const double reload = platform::nowEpochSeconds() + kReloadInterval;
    completion(platform::Timeline<TarvoEntry>{{std::move(entry)},
                                              platform::TimelineReloadPolicy::after(reload)});
}

platform::StaticConfiguration<TarvoEntry> TarvoWidget::body() const {
    platform::StaticConfiguration<TarvoEntry> config;
    config.kind = kind;
    config.provider = std::make_shared<TarvoProvider>();
    config.content = [](const TarvoEntry& entry, const platform::WidgetEnvironment& env) {
        return TarvoWidgetView(env.family, entry).body();
    };
    config.displayName = "Tarvo Events";
    config.description = "Recent events projected from Tarvo.";
    config.supportedFamilies = {
        platform::WidgetFamily::systemSmall,
        platform::WidgetFamily::systemMedium,
        platform::WidgetFamily::systemLarge,
        platform::WidgetFamily::accessoryRectangular,
        platform::WidgetFamily::accessoryInline,
    };
    return config;
}

}  // namespace tarvo
