#include "platform/widgetkit/WidgetExtensionMain.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Clock.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/widgetkit/WidgetRenderer.h"

namespace platform {
namespace {

constexpr const char* kUsage =
    "usage: %s placeholder|snapshot|timeline [--family NAME] [--now ISO-8601] [--html FILE]\n"
    "  families: systemSmall (default), systemMedium, systemLarge, systemExtraLarge,\n"
    "            accessoryCircular, accessoryRectangular, accessoryInline\n"
    "  --now     serve the request as of this moment, e.g. 2025-01-31T09:30:00Z\n"
    "  --html    also write the first entry's views to FILE as an HTML page\n";

struct Options {
    WidgetRequestKind request = WidgetRequestKind::snapshot;
    WidgetFamily family = WidgetFamily::systemSmall;
    std::optional<double> now;
    std::optional<std::string> htmlPath;
};

// Parses the command line; on failure writes the reason to err and returns nullopt.
std::optional<Options> parseOptions(int argc, const char* const* argv, std::ostream& err) {
    Options o;
    bool haveRequest = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i] ? argv[i] : "";
        auto value = [&](std::string_view name) -> std::optional<std::string_view> {
            if (i + 1 >= argc || !argv[i + 1]) {
                err << "missing value for " << name << "\n";
                return std::nullopt;
            }
            return std::string_view(argv[++i]);
        };
        if (arg == "--family") {
            auto v = value(arg);
            if (!v) return std::nullopt;
            auto f = widgetFamilyFromRawValue(*v);
            if (!f) {
                err << "unknown family: " << *v << "\n";
                return std::nullopt;
            }
            o.family = *f;
        } else if (arg == "--now") {
            auto v = value(arg);
            if (!v) return std::nullopt;
            auto t = DateFormatter::parseISO8601(*v);
            if (!t) {
                err << "not an ISO-8601 date-time to the second: " << *v << "\n";
                return std::nullopt;
            }
            o.now = *t;
        } else if (arg == "--html") {
            auto v = value(arg);
            if (!v) return std::nullopt;
            if (v->empty()) {
                err << "empty file name for --html\n";
                return std::nullopt;
            }
            o.htmlPath = std::string(*v);
        } else if (!haveRequest && (arg == "placeholder" || arg == "snapshot" || arg == "timeline")) {
            o.request = arg == "placeholder" ? WidgetRequestKind::placeholder
                        : arg == "snapshot"  ? WidgetRequestKind::snapshot
                                             : WidgetRequestKind::timeline;
            haveRequest = true;
        } else {
            err << "unexpected argument: " << arg << "\n";
            return std::nullopt;
        }
    }
    if (!haveRequest) {
        err << "missing request (placeholder, snapshot or timeline)\n";
        return std::nullopt;
    }
    return o;
}

}  // namespace

int widgetExtensionMain(const WidgetBundle& bundle, int argc, const char* const* argv) {
    return widgetExtensionMain(bundle, argc, argv, std::cout, std::cerr);
}

int widgetExtensionMain(const WidgetBundle& bundle, int argc, const char* const* argv,
                        std::ostream& out, std::ostream& err) {
    const std::string program = argc > 0 && argv[0] ? argv[0] : "widget";
    const auto options = parseOptions(argc, argv, err);
    if (!options) {
        char buf[1024];
        std::snprintf(buf, sizeof buf, kUsage, program.c_str());
        err << buf;
        return 2;
    }
    if (bundle.empty()) {
        err << program << ": the bundle offers no widget\n";
        return 1;
    }
    const WidgetConfiguration& widget = bundle.front();

    try {
        // The request is served as of --now: the process's one clock is fixed while it runs.
        const Clock clock = options->now ? Clock::fixedAt(*options->now) : Clock::real();
        TimelineProviderContext context;
        context.family = options->family;
        context.displaySize = displaySize(options->family);
        const WidgetResponse response = widget.serve(options->request, context);

        Json entries = Json::array();
        for (const auto& e : response.entries) {
            Json j = Json::object();
            j["date"] = DateFormatter::formatISO8601(e.date);
            if (e.payload.is_object()) {
                for (auto it = e.payload.begin(); it != e.payload.end(); ++it) {
                    if (it.key() != "date") j[it.key()] = it.value();
                }
            }
            const auto url = e.view.findWidgetURL();
            j["url"] = url ? Json(*url) : Json(nullptr);
            // An entry is drawn from its own date on, so its relative times count from there.
            j["text"] = WidgetRenderer::textDump(e.view, e.date);
            entries.push_back(std::move(j));
        }
        Json result = Json::object();
        result["entries"] = std::move(entries);
        result["reloadAfter"] = response.reloadAfter
                                    ? Json(DateFormatter::formatISO8601(*response.reloadAfter))
                                    : Json(nullptr);

        if (options->htmlPath) {
            if (response.entries.empty()) {
                err << program << ": no entry to draw; " << *options->htmlPath
                    << " not written\n";
                return 1;
            }
            const auto& first = response.entries.front();
            const std::string page = WidgetRenderer::html(
                first.view, options->family, first.date,
                widget.displayName() + " \u00b7 " + rawValue(options->family));
            std::ofstream file(*options->htmlPath, std::ios::binary | std::ios::trunc);
            file << page;
            file.close();
            if (!file) {
                err << program << ": cannot write " << *options->htmlPath << "\n";
                return 1;
            }
        }
        out << encodeCompact(result) << "\n";
        out.flush();
        return 0;
    } catch (const std::exception& e) {
        err << program << ": " << describeError(e) << "\n";
        return 1;
    }
}

}  // namespace platform
