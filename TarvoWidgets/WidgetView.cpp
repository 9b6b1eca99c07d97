#include "TarvoWidgets/WidgetView.h"

#include <algorithm>

#include "platform/foundation/Text.h"

namespace tarvo {

using platform::ColorToken;
using platform::FontWeight;
using platform::FrameAlignment;
using platform::HorizontalAlignment;
using platform::TextStyle;
using platform::VerticalAlignment;
using platform::WidgetFamily;
using platform::WidgetNode;

namespace {

constexpr const char* kEmptyTitle = "No Events";
constexpr const char* kEmptySubtitle = "Waiting for activity";

// One line of the list: title and subtitle on the left, the relative time on the right.
WidgetNode eventRow(const WidgetEvent& event) {
    return WidgetNode::hstack(VerticalAlignment::top, 10, {
        WidgetNode::vstack(HorizontalAlignment::leading, 3, {
            WidgetNode::verbatim(event.title)
                .font(TextStyle::subheadline).fontWeight(FontWeight::semibold).lineLimit(1),
            WidgetNode::verbatim(TarvoWidgetView::displaySubtitle(event))
                .font(TextStyle::caption).foregroundStyle(ColorToken::secondary).lineLimit(1),
        }),
        WidgetNode::spacer(8),
        WidgetNode::relativeDate(event.timestamp)
            .font(TextStyle::caption2).foregroundStyle(ColorToken::secondary).lineLimit(1),
    });
}

}  // namespace

TarvoWidgetView::TarvoWidgetView(WidgetFamily family, TarvoEntry entry)
    : family_(family), entry_(std::move(entry)) {}

WidgetNode TarvoWidgetView::body() const {
    const bool accessory = platform::isAccessoryFamily(family_);
    std::optional<std::string> url;
    if (auto u = primaryURL()) url = u->absoluteString();
    if (accessory) return content().widgetURL(url).containerBackground(ColorToken::clear);
    // Text on a black background needs the light-on-dark palette, in either appearance.
    return content()
        .colorScheme(platform::ColorScheme::dark)
        .widgetURL(url)
        .containerBackground(ColorToken::black);
}

std::optional<platform::URL> TarvoWidgetView::primaryURL() const {
    const auto& events = entry_.snapshot.events;
    if (events.empty() || !events.front().deeplink || events.front().deeplink->empty()) {
        return std::nullopt;
    }
    return platform::URL::parse(*events.front().deeplink);
}

WidgetNode TarvoWidgetView::content() const {
    auto list = [this](std::size_t limit) {
        return WidgetNode::vstack(HorizontalAlignment::leading, 10, {listView(limit)}).padding();
    };
    switch (family_) {
        case WidgetFamily::systemSmall:
            return WidgetNode::vstack(HorizontalAlignment::leading, 8, {smallView()}).padding();
        case WidgetFamily::systemMedium: return list(3);
        case WidgetFamily::systemLarge: return list(6);
        case WidgetFamily::systemExtraLarge: return list(8);
        case WidgetFamily::accessoryCircular: return WidgetNode::zstack({accessoryCircularView()});
        case WidgetFamily::accessoryRectangular: return accessoryRectangularView();
        case WidgetFamily::accessoryInline: return accessoryInlineView();
    }
    // A family this widget does not know yet gets a short list.
    return list(2);
}

WidgetNode TarvoWidgetView::emptyView(const std::string& title, const std::string& subtitle) {
    return WidgetNode::vstack(HorizontalAlignment::leading, 4, {
               WidgetNode::verbatim(title).font(TextStyle::headline),
               WidgetNode::verbatim(subtitle)
                   .font(TextStyle::caption).foregroundStyle(ColorToken::secondary),
           })
        .fillFrame(true, true, FrameAlignment{HorizontalAlignment::leading,
                                              VerticalAlignment::center});
}

WidgetNode TarvoWidgetView::smallView() const {
    const auto& events = entry_.snapshot.events;
    if (events.empty()) return emptyView(kEmptyTitle, kEmptySubtitle);
    const WidgetEvent& first = events.front();

    std::vector<WidgetNode> footer = {
        WidgetNode::relativeDate(first.timestamp)
            .font(TextStyle::caption2).foregroundStyle(ColorToken::secondary),
        WidgetNode::spacer(8),
    };
    if (events.size() > 1) {
        footer.push_back(
            WidgetNode::localized("+%lld", static_cast<long long>(events.size() - 1))
                .font(TextStyle::caption2).fontWeight(FontWeight::semibold)
                .foregroundStyle(ColorToken::secondary));
    }
    return WidgetNode::group({
        WidgetNode::verbatim(first.title).font(TextStyle::headline).lineLimit(2),
        WidgetNode::verbatim(displaySubtitle(first))
            .font(TextStyle::caption).foregroundStyle(ColorToken::secondary).lineLimit(2),
        WidgetNode::spacer(0),
        WidgetNode::hstack(VerticalAlignment::center, std::nullopt, std::move(footer)),
    });
}

WidgetNode TarvoWidgetView::listView(std::size_t limit) const {
    const auto& events = entry_.snapshot.events;
    if (events.empty()) return emptyView(kEmptyTitle, kEmptySubtitle);
    std::vector<WidgetNode> rows;
    const std::size_t shown = std::min(limit, events.size());
    for (std::size_t i = 0; i < shown; ++i) rows.push_back(eventRow(events[i]).id(events[i].id));
    rows.push_back(WidgetNode::spacer(0));
    return WidgetNode::group(std::move(rows));
}

WidgetNode TarvoWidgetView::accessoryRectangularView() const {
    const auto& events = entry_.snapshot.events;
    if (events.empty()) return WidgetNode::localized(kEmptyTitle).font(TextStyle::caption);
    const WidgetEvent& first = events.front();
    return WidgetNode::vstack(HorizontalAlignment::leading, 4, {
        WidgetNode::verbatim(first.title).font(TextStyle::headline).lineLimit(1),
        WidgetNode::verbatim(displaySubtitle(first))
            .font(TextStyle::caption).foregroundStyle(ColorToken::secondary).lineLimit(1),
        WidgetNode::relativeDate(first.timestamp)
            .font(TextStyle::caption2).foregroundStyle(ColorToken::secondary),
    });
}

WidgetNode TarvoWidgetView::accessoryInlineView() const {
    const auto& events = entry_.snapshot.events;
    if (events.empty()) return WidgetNode::localized(kEmptyTitle);
    return WidgetNode::verbatim(events.front().title).lineLimit(1);
}

WidgetNode TarvoWidgetView::accessoryCircularView() const {
    const auto& events = entry_.snapshot.events;
    WidgetNode ring = WidgetNode::circleStrokeBorder(ColorToken::quaternary, 1);
    if (events.empty()) {
        return WidgetNode::zstack({ring, WidgetNode::localized("\u2014").font(TextStyle::caption)});
    }
    const WidgetEvent& first = events.front();
    return WidgetNode::zstack({
        ring,
        WidgetNode::vstack(HorizontalAlignment::center, 2, {
            WidgetNode::verbatim(shortKind(first.kind))
                .font(TextStyle::caption2).fontWeight(FontWeight::semibold),
            WidgetNode::relativeDate(first.timestamp).font(TextStyle::caption2),
        }),
    });
}

std::string TarvoWidgetView::displaySubtitle(const WidgetEvent& event) {
    if (!event.kind.empty() && !event.subtitle.empty()) {
        return event.kind + " \u2022 " + event.subtitle;
    }
    if (!event.subtitle.empty()) return event.subtitle;
    return event.kind;
}

std::string TarvoWidgetView::shortKind(std::string_view kind) {
    const std::string trimmed = platform::text::trimmed(kind);
    if (trimmed.empty()) return "EV";
    return platform::text::uppercased(platform::text::prefixGraphemes(trimmed, 2));
}

}  // namespace tarvo
