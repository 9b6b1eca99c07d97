#pragma once
// A widget's static configuration (kind, provider, content, names, offered families) and the
// type-erased form the widget runtime serves requests through.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/Json.h"
#include "platform/widgetkit/Timeline.h"
#include "platform/widgetkit/WidgetFamily.h"
#include "platform/widgetkit/WidgetNode.h"

namespace platform {

// What a widget's views read from their surroundings.
struct WidgetEnvironment {
    WidgetFamily family = WidgetFamily::systemSmall;
};

template <TimelineEntry Entry>
struct StaticConfiguration {
    std::string kind;
    std::shared_ptr<const TimelineProvider<Entry>> provider;
    std::function<WidgetNode(const Entry&, const WidgetEnvironment&)> content;
    std::string displayName;
    std::string description;
    std::vector<WidgetFamily> supportedFamilies;
};

enum class WidgetRequestKind { placeholder, snapshot, timeline };

// One entry as the runtime shows it: its date, what the entry type says about itself (see
// timelineEntryPayload below), and its views.
struct RenderedEntry {
    double date = 0;
    Json payload = Json::object();
    WidgetNode view;
};

struct WidgetResponse {
    std::vector<RenderedEntry> entries;
    std::optional<double> reloadAfter;  // timelines only
};

// A provider broke the runtime's contract (its completion was never called).
class WidgetRuntimeError : public LocalizedError {
public:
    using LocalizedError::LocalizedError;
};

// An entry type may describe itself to the runtime (for the host's output) with a free
// function found by argument-dependent lookup:
//     Json timelineEntryPayload(const MyEntry&);
// returning a JSON object. Without one, the payload is empty.
template <class Entry>
concept DescribedTimelineEntry = requires(const Entry& e) {
    { timelineEntryPayload(e) } -> std::convertible_to<Json>;
};

class WidgetConfiguration {
public:
    template <TimelineEntry Entry>
    WidgetConfiguration(StaticConfiguration<Entry> config);  // NOLINT: implicit by design

    const std::string& kind() const { return kind_; }
    const std::string& displayName() const { return displayName_; }
    const std::string& description() const { return description_; }
    const std::vector<WidgetFamily>& supportedFamilies() const { return families_; }

    // Asks the provider and renders each entry for the context's family. A completion is
    // honoured once (later calls are ignored); a provider that never completes gives
    // WidgetRuntimeError.
    WidgetResponse serve(WidgetRequestKind request, const TimelineProviderContext& context) const {
        return serve_(request, context);
    }

private:
    std::string kind_;
    std::string displayName_;
    std::string description_;
    std::vector<WidgetFamily> families_;
    std::function<WidgetResponse(WidgetRequestKind, const TimelineProviderContext&)> serve_;
};

// The widgets a program offers.
using WidgetBundle = std::vector<WidgetConfiguration>;

// ---- template implementation

namespace detail {
template <TimelineEntry Entry>
RenderedEntry renderEntry(const StaticConfiguration<Entry>& c, const Entry& e,
                          const TimelineProviderContext& context) {
    RenderedEntry r;
    r.date = static_cast<double>(e.date);
    if constexpr (DescribedTimelineEntry<Entry>) r.payload = timelineEntryPayload(e);
    if (c.content) r.view = c.content(e, WidgetEnvironment{context.family});
    return r;
}

template <class T>
struct CompletionSlot {
    std::optional<T> value;
};
}  // namespace detail

template <TimelineEntry Entry>
WidgetConfiguration::WidgetConfiguration(StaticConfiguration<Entry> config)
    : kind_(config.kind),
      displayName_(config.displayName),
      description_(config.description),
      families_(config.supportedFamilies) {
    auto shared = std::make_shared<const StaticConfiguration<Entry>>(std::move(config));
    serve_ = [shared](WidgetRequestKind request,
                      const TimelineProviderContext& context) -> WidgetResponse {
        const auto& c = *shared;
        if (!c.provider) throw WidgetRuntimeError("The widget has no timeline provider.");
        WidgetResponse response;
        switch (request) {
            case WidgetRequestKind::placeholder:
                response.entries.push_back(
                    detail::renderEntry(c, c.provider->placeholder(context), context));
                break;
            case WidgetRequestKind::snapshot: {
                // The slot is shared with the completion, so a provider that keeps the
                // completion and calls it late writes into live memory and is ignored.
                auto slot = std::make_shared<detail::CompletionSlot<Entry>>();
                c.provider->getSnapshot(context, [slot](Entry e) {
                    if (!slot->value) slot->value = std::move(e);
                });
                if (!slot->value) {
                    throw WidgetRuntimeError("The widget did not complete the snapshot request.");
                }
                response.entries.push_back(detail::renderEntry(c, *slot->value, context));
                break;
            }
            case WidgetRequestKind::timeline: {
                auto slot = std::make_shared<detail::CompletionSlot<Timeline<Entry>>>();
                c.provider->getTimeline(context, [slot](Timeline<Entry> t) {
                    if (!slot->value) slot->value = std::move(t);
                });
                if (!slot->value) {
                    throw WidgetRuntimeError("The widget did not complete the timeline request.");
                }
                for (const auto& e : slot->value->entries) {
                    response.entries.push_back(detail::renderEntry(c, e, context));
                }
                response.reloadAfter = slot->value->policy.date();
                break;
            }
        }
        return response;
    };
}

}  // namespace platform
