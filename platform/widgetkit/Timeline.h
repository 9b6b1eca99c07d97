#pragma once
// Timelines: what a widget's provider hands the widget runtime. The runtime asks for a
// placeholder (answered directly), a snapshot or a timeline (each answered by calling the
// completion it passes, once).
#include <concepts>
#include <functional>
#include <vector>

#include "platform/widgetkit/WidgetFamily.h"

namespace platform {

// An entry type: anything with a `date` (seconds since 1970) at which it is to be shown.
template <class E>
concept TimelineEntry = requires(const E& e) {
    { e.date } -> std::convertible_to<double>;
};

// When the runtime should ask for the next timeline.
class TimelineReloadPolicy {
public:
    // At or after the given date (seconds since 1970).
    static TimelineReloadPolicy after(double date) { return TimelineReloadPolicy(date); }
    double date() const noexcept { return date_; }

private:
    explicit TimelineReloadPolicy(double date) : date_(date) {}
    double date_;
};

template <TimelineEntry Entry>
struct Timeline {
    std::vector<Entry> entries;
    TimelineReloadPolicy policy;
};

// What the runtime tells the provider about a request.
struct TimelineProviderContext {
    WidgetFamily family = WidgetFamily::systemSmall;
    bool isPreview = false;
    WidgetSize displaySize;
};

template <TimelineEntry Entry>
class TimelineProvider {
public:
    using EntryType = Entry;
    using SnapshotCompletion = std::function<void(Entry)>;
    using TimelineCompletion = std::function<void(Timeline<Entry>)>;

    virtual ~TimelineProvider() = default;
    virtual Entry placeholder(const TimelineProviderContext& context) const = 0;
    virtual void getSnapshot(const TimelineProviderContext& context,
                             const SnapshotCompletion& completion) const = 0;
    virtual void getTimeline(const TimelineProviderContext& context,
                             const TimelineCompletion& completion) const = 0;
};

}  // namespace platform
