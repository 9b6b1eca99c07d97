#pragma once
// Shared fixtures of the widget tests: a private Tarvo home per test and a few feeds.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/WidgetEventStore.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/Json.h"

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

// Points TARVO_HOME at a fresh directory and the bundle at a given app group for one test.
class TempHome {
public:
    explicit TempHome(const char* appGroupID = "group.test.widgets") {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tarvo-widgets-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        root_ = tmpl;
        setenv("TARVO_HOME", root_.c_str(), 1);
        platform::Json info = platform::Json::object();
        if (appGroupID) info["APP_GROUP_ID"] = appGroupID;
        platform::Bundle::main().setInfoDictionaryForTesting(info);
    }
    ~TempHome() {
        std::error_code ec;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(root_, ec);
        unsetenv("TARVO_HOME");
        platform::Bundle::main().setInfoDictionaryForTesting(platform::Json::object());
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& root() const { return root_; }
    std::string container(const std::string& group) const {
        auto dir = root_ + "/containers/" + group;
        std::filesystem::create_directories(dir);
        return dir;
    }
    std::string feedPath(const std::string& group) const {
        return container(group) + "/widget.events.feed.v1.json";
    }
    void writeFeedFile(const std::string& group, const std::string& text) const {
        std::ofstream(feedPath(group), std::ios::binary | std::ios::trunc) << text;
    }

private:
    std::string root_;
};

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tarvo::testing
