#include "hosts/tarvo-share/ShareCommandLine.h"

#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPickerViewController.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/Url.h"

namespace tarvo::share_host {

namespace {

bool isOption(std::string_view arg) { return arg.size() > 1 && arg.front() == '-'; }

}  // namespace

ParsedCommandLine parseShareCommandLine(const std::vector<std::string>& args) {
    ShareInvocation inv;
    std::optional<std::string> pendingName;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string_view name) -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        auto missing = [&](std::string_view name) { return "missing value for " + std::string(name); };
        auto addItem = [&](ItemArgument item) {
            item.suggestedName = std::move(pendingName);
            pendingName.reset();
            inv.items.push_back(std::move(item));
        };

        if (arg == "--help" || arg == "-h") return HelpRequested{};
        if (arg == "--source-app") {
            auto v = value(arg);
            if (!v) return missing(arg);
            inv.sourceApp = *v;
        } else if (arg == "--now") {
            auto v = value(arg);
            if (!v) return missing(arg);
            auto t = platform::DateFormatter::parseISO8601(*v);
            if (!t) return "not an ISO-8601 date-time: " + *v;
            inv.now = *t;
        } else if (arg == "--html") {
            auto v = value(arg);
            if (!v) return missing(arg);
            if (v->empty()) return std::string("empty file name for --html");
            inv.htmlPath = *v;
        } else if (arg == "--interactive") {
            inv.interactive = true;
        } else if (arg == "--progress") {
            inv.progress = true;
        } else if (arg == "--do") {
            auto v = value(arg);
            if (!v) return missing(arg);
            try {
                inv.steps.push_back(platform::parseScreenStep(*v));
            } catch (const platform::ScreenStepError& e) {
                return std::string(e.what());
            }
        } else if (arg == "--name") {
            auto v = value(arg);
            if (!v) return missing(arg);
            if (pendingName) return "--name " + *pendingName + " names no item";
            pendingName = *v;
        } else if (arg == "--text") {
            auto v = value(arg);
            if (!v) return missing(arg);
            addItem({ItemArgument::Kind::text, *v, {}, {}});
        } else if (arg == "--url") {
            auto v = value(arg);
            if (!v) return missing(arg);
            if (!platform::URL::parse(*v)) return "not a URL: " + *v;
            addItem({ItemArgument::Kind::url, *v, {}, {}});
        } else if (arg == "--item") {
            auto v = value(arg);
            if (!v) return missing(arg);
            const auto eq = v->find('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == v->size()) {
                return "--item wants TYPE-ID=PATH, not " + *v;
            }
            addItem({ItemArgument::Kind::typed, v->substr(eq + 1), v->substr(0, eq), {}});
        } else if (arg == "--") {
            for (++i; i < args.size(); ++i) addItem({ItemArgument::Kind::path, args[i], {}, {}});
        } else if (isOption(arg)) {
            return "unknown option: " + arg;
        } else {
            addItem({ItemArgument::Kind::path, arg, {}, {}});
        }
    }
    if (pendingName) return "--name " + *pendingName + " names no item";
    if (inv.items.empty()) return std::string("nothing to share: give at least one ITEM");
    return inv;
}

std::string shareUsage(std::string_view program) {
    const std::string p(program);
    return "usage: " + p +
           " [--source-app BUNDLE-ID] [--now ISO-8601] [--html FILE] [--interactive]\n"
           "       " + std::string(p.size(), ' ') + " [--progress] [--do STEP]... ITEM...\n";
}

std::string shareHelp(std::string_view program) {
    std::string help = shareUsage(program);
    help +=
        "\n"
        "Runs the share extension on the items as the share sheet would and shows its screen.\n"
        "Nothing is uploaded, emitted or run unless a step taps Send.\n"
        "\n"
        "Items, in order, one shared item each:\n"
        "  PATH                 a file (typed by its extension) or a folder\n"
        "  --text TEXT          plain text\n"
        "  --url URL            a link\n"
        "  --item TYPE-ID=PATH  a file offered under that type identifier\n"
        "  --name NAME          (before an item) the item's suggested name\n"
        "\n"
        "Options:\n"
        "  --source-app ID      the bundle identifier of the app that shares\n"
        "  --now ISO-8601       fix the clock for the run, e.g. 2025-01-31T09:30:00Z\n"
        "  --html FILE          write the final screen as an HTML page (light and dark)\n"
        "  --interactive        read steps from standard input, one a line, printing the screen\n"
        "                       first and after each; a step that fails is reported and the\n"
        "                       session goes on. Steps are read while work runs: a step typed\n"
        "                       during an upload (tap:cancelButton) is carried out at once\n"
        "  --progress           while steps run, print the status and progress lines as they change\n"
        "                       (\"progress: STATUS | DETAIL\")\n"
        "  --do STEP            a step, carried out in order before the output\n"
        "\n"
        "Steps:\n"
        "  tap:TARGET  type:TARGET=TEXT  replace:TARGET=TEXT  end  segment:TARGET=TITLE\n"
        "  menu:TARGET=TITLE[/TITLE...]  toggle:TARGET  alert:BUTTON  alert-field:N=TEXT\n"
        "  keyboard:TOP-Y  keyboard:hide  search:TEXT  refresh  wait  dump\n"
        "  Every step already settles: the run goes on until nothing can go on without the\n"
        "  person (or, with --interactive, until the next step is typed). `wait` does that alone,\n"
        "  to the end, whatever is typed meanwhile.\n"
        "  TARGET is a role, else an accessibility identifier, else a visible text; while an alert\n"
        "  or the picker is presented, targets are looked up there first. In texts \\n is a line\n"
        "  break. A target that is missing, ambiguous, hidden or disabled stops the run (exit 2).\n"
        "\n"
        "Output: the screen's text dump after the last step, then one line:\n"
        "  completed: STATUS (exit 0), cancelled: ERROR (exit 1) or open: STATUS (exit 3).\n"
        "  Bad usage exits 2. Ctrl-C (SIGINT) or SIGTERM taps Cancel: a send in flight stops, the\n"
        "  screen and \"cancelled: Cancelled.\" are printed (exit 1); a second Ctrl-C quits at once\n"
        "  (exit 130).\n"
        "\n"
        "Roles:\n";
    auto listRoles = [&help](std::string_view heading, const auto& roles) {
        help += "  " + std::string(heading) + "\n";
        std::string line = "   ";
        for (const auto& role : roles) {
            if (line.size() + std::string_view(role).size() + 1 > 96) {
                help += line + "\n";
                line = "   ";
            }
            line += " " + std::string(role);
        }
        help += line + "\n";
    };
    listRoles("The screen:", share::roles::controlRoles());
    listRoles("Built with the server list, the scripts and the suggestions:", share::roles::builtControlRoles());
    listRoles("One per server, script, command token or linked target (ID a server's id, PATH a script's\n"
              "  path in the archive, TOKEN one of {file} {dir} {stem} {extract}):",
              share::roles::perItemRolePatterns());
    listRoles("The folder picker (\"Change\"):", RemoteFolderPickerViewController::controlRoles());
    return help;
}

}  // namespace tarvo::share_host
