#pragma once
// The command line of tarvo-share, a contract that scripts rely on:
//
//   tarvo-share [--source-app BUNDLE-ID] [--now ISO-8601] [--html FILE] [--interactive]
//               [--progress] [--do STEP]... ITEM...
//
// ITEM, in order, one item provider each: a path, --text TEXT, --url URL or --item
// TYPE-ID=PATH; --name NAME before an item gives that item its suggested name. STEP is one step
// of the screen's step language (platform/uikit/ScreenStep.h).
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/uikit/ScreenStep.h"

namespace tarvo::share_host {

// One shared item as the command line names it.
struct ItemArgument {
    enum class Kind {
        path,  // a file (by the type of its extension) or a folder
        text,  // plain text, offered only as a string item
        url,   // a link
        typed, // a file offered under an explicit type identifier
    };
    Kind kind = Kind::path;
    std::string value;           // the path, the text or the URL
    std::string typeIdentifier;  // typed only
    std::optional<std::string> suggestedName;

    bool operator==(const ItemArgument&) const = default;
};

struct ShareInvocation {
    std::optional<std::string> sourceApp;
    std::optional<double> now;  // seconds since 1970
    std::optional<std::string> htmlPath;
    bool interactive = false;
    bool progress = false;  // print the status and progress lines as they change
    std::vector<platform::ScreenStep> steps;
    std::vector<ItemArgument> items;
};

struct HelpRequested {};

// The invocation, a request for help, or (as a string) what is wrong with the arguments.
using ParsedCommandLine = std::variant<ShareInvocation, HelpRequested, std::string>;

ParsedCommandLine parseShareCommandLine(const std::vector<std::string>& args);

// The usage lines (for errors) and the whole help text (usage, items, steps, the roles).
std::string shareUsage(std::string_view program);
std::string shareHelp(std::string_view program);

}  // namespace tarvo::share_host
