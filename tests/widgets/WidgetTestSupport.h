#pragma once
// Shared fixtures of the widget tests: a private Tarvo home per test and a few feeds.
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/WidgetEventStore.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/Json.h"
#include "tests/support/Files.h"
#include "tests/support/ScopedBundleInfo.h"
#include "tests/support/TempHome.h"

namespace tarvo::testing {

inline double iso(const char* text) {
    auto t = platform::DateFormatter::parseISO8601(text);
    if (!t) throw std::runtime_error(std::string("bad test date ") + text);
    return *t;
}

// The moment the view and provider tests are set at.
inline double referenceNow() { return iso("2025-01-31T09:30:00Z"); }

// Events with every shape the views distinguish: kind and subtitle, one of them, none; a
// deeplink on the first.
inline std::vector<WidgetEvent> sampleEvents(std::size_t count) {
    const double now = referenceNow();
    std::vector<WidgetEvent> all = {
        WidgetEvent("e1", "Build finished", "0 errors", "cmd", now - 125,
                    "tarvo://open?action=open_event&id=e1"),
        WidgetEvent("e2", "Clipboard updated", "", "clipboard", now - 600),
        WidgetEvent("e3", "Voice note received", "from Mac", "", now - 3700),
        WidgetEvent("e4", "Deploy <api> & \"web\"", "staging", "deploy", now - 7200,
                    "tarvo://open?action=open_tab&tab=jobs"),
        WidgetEvent("e5", "Backup complete", "", "", now - 90000),
        WidgetEvent("e6", "Tests passed", "412 passed", "cmd", now - 30),
        WidgetEvent("e7", "Disk almost full", "93 % used on /srv", "alert", now - 4000),
        WidgetEvent("e8", "Agent replied", "summary ready", "agent", now - 800000),
        WidgetEvent("e9", "Ninth event", "beyond every limit", "cmd", now - 5),
    };
    all.resize(std::min(count, all.size()));
    return all;
}

// A private Tarvo home whose bundle names the given app group (none: an info dictionary
// without one) for one test.
class WidgetHome : public tarvo_test::TempHome {
public:
    explicit WidgetHome(const char* appGroupID = "group.test.widgets")
        : tarvo_test::TempHome("widgets"), bundleInfo_(infoNaming(appGroupID)) {}

    std::string container(const std::string& group) const {
        auto dir = path() + "/containers/" + group;
        std::filesystem::create_directories(dir);
        return dir;
    }
    std::string feedPath(const std::string& group) const {
        return container(group) + "/widget.events.feed.v1.json";
    }
    void writeFeedFile(const std::string& group, const std::string& text) const {
        tarvo_test::writeFile(feedPath(group), text);
    }

private:
    static platform::Json infoNaming(const char* appGroupID) {
        platform::Json info = platform::Json::object();
        if (appGroupID) info["APP_GROUP_ID"] = appGroupID;
        return info;
    }

    tarvo_test::ScopedBundleInfo bundleInfo_;
};

}  // namespace tarvo::testing
