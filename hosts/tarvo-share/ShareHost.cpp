#include "hosts/tarvo-share/ShareHost.h"

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "Core/PushShared.h"
#include "Shared/ServerProfile.h"
#include "TarvoShareExtension/ShareEnvironment.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareFileAPI.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "hosts/tarvo-share/ShareCommandLine.h"
#include "platform/concurrency/BackgroundQueue.h"
#include "platform/concurrency/MainQueue.h"
#include "platform/concurrency/TerminalEvents.h"
#include "platform/extension/NSExtensionContext.h"
#include "platform/extension/NSItemProvider.h"
#include "platform/filesystem/FileManager.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunTemporaryFolder.h"
#include "platform/foundation/Url.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/URLSessionWebSocketTask.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UIDriver.h"
#include "platform/uikit/UIWindow.h"

namespace tarvo::share_host {

using namespace platform;

namespace {

// The provider of one item, or what is wrong with it.
std::shared_ptr<NSItemProvider> makeProvider(const ItemArgument& item, std::string& problem) {
    std::shared_ptr<NSItemProvider> provider;
    switch (item.kind) {
        case ItemArgument::Kind::path:
            provider = NSItemProvider::contentsOf(item.value);
            if (!provider) problem = "no such file or folder: " + item.value;
            break;
        case ItemArgument::Kind::text:
            provider = NSItemProvider::withItem(ProviderItem(item.value), "public.plain-text");
            break;
        case ItemArgument::Kind::url:
            provider = NSItemProvider::withItem(ProviderItem(*URL::parse(item.value)), "public.url");
            break;
        case ItemArgument::Kind::typed: {
            std::error_code ec;
            if (!std::filesystem::is_regular_file(item.value, ec)) {
                problem = "no such file: " + item.value;
                break;
            }
            const std::string absolute = std::filesystem::absolute(item.value, ec).string();
            provider = NSItemProvider::make();
            provider->setSuggestedName(std::filesystem::path(absolute).filename().string());
            provider->registerItem(item.typeIdentifier, ProviderItem(URL::fileURL(absolute)));
            provider->registerFileRepresentation(item.typeIdentifier, absolute);
            break;
        }
    }
    if (provider && item.suggestedName) provider->setSuggestedName(*item.suggestedName);
    return provider;
}

// What the share extension runs with in this program: the main thread's queue, background
// threads with the upload engine on them and the clock (fixed by --now).
struct ProgramWorld {
    explicit ProgramWorld(std::optional<double> now) : clock(now ? Clock::fixedAt(*now) : Clock::real()) {}

    MainQueue& queue = MainQueue::shared();
    BackgroundQueue background{2};
    RemoteTransfer transfer{background};
    Clock clock;
};

// The environment of the program's controller: the world above, the window, the program's
// temporary folder, the app group's defaults (appGroupSuite, opened by the caller) and the
// remote client factory.
ShareEnvironment programEnvironment(ProgramWorld& world, UIWindow& window,
                                    std::shared_ptr<UserDefaults> appGroupSuite) {
    ShareEnvironment env{world.queue,    world.background, URLSession::make(),
                         world.transfer, world.clock,      FileManager::defaultManager().temporaryDirectory()};
    env.window = &window;
    env.standardDefaults = UserDefaults::standard();
    env.appGroupSuiteName = PushShared::suiteName();
    // PushShared::defaults()'s rule, with the suite kept as opened for the one-time copy.
    env.appGroupSuite = std::move(appGroupSuite);
    env.defaults = env.appGroupSuite ? env.appGroupSuite : env.standardDefaults;
    env.makeFileAPI = [](const ServerProfile& server) { return share::makeShareFileAPI(server); };
    return env;
}

std::string kindOfValue(const PropertyList& value) {
    if (value.asArray()) return "a JSON array";
    if (value.asDictionary()) return "a JSON object";
    if (value.asData()) return "data";
    if (value.asBool()) return "a boolean";
    return "a number";
}

// Settings the share reads as if they were absent when it cannot decode them (its screen then
// says that no server is configured): the person learns here which one and why. store is the
// app group's suite as opened, none when it could not be.
void reportUnreadableSettings(const std::string& program, const std::string& group, const UserDefaults* store,
                              std::ostream& err) {
    if (group.empty()) return;
    if (!store) {
        const std::string path = paths::suiteDatabasePath(group);
        err << program << ": the settings of " << group << " (" << path
            << ") cannot be read: " << UserDefaults::openingProblem(path).value_or("cannot be opened") << "\n";
        return;
    }
    const auto servers = store->object("servers.json");
    if (!servers) return;
    const std::string* text = servers->asString();
    if (!text) {
        err << program << ": the setting servers.json of " << group << " cannot be read: it holds "
            << kindOfValue(*servers) << ", not the JSON text of the list (write it with --string)\n";
        return;
    }
    if (auto problem = SharedServerConfig::decodeProblem(*text)) {
        err << program << ": the setting servers.json of " << group << " cannot be read: " << *problem << "\n";
    }
}

bool requestEnded(const NSExtensionContext& context) {
    return context.outcome().state != NSExtensionContext::RequestState::pending;
}

}  // namespace

std::string oneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

int runShareHost(const std::string& program, const std::vector<std::string>& args, std::ostream& out,
                 std::ostream& err) {
    const ParsedCommandLine parsed = parseShareCommandLine(args);
    if (std::holds_alternative<HelpRequested>(parsed)) {
        out << shareHelp(program);
        return 0;
    }
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        err << program << ": " << *problem << "\n" << shareUsage(program);
        return 2;
    }
    const ShareInvocation& inv = std::get<ShareInvocation>(parsed);

    std::vector<std::shared_ptr<NSItemProvider>> providers;
    for (const auto& item : inv.items) {
        std::string problem;
        auto provider = makeProvider(item, problem);
        if (!provider) {
            err << program << ": " << problem << "\n";
            return 2;
        }
        // The screen only says that an item failed; the person also learns which and why.
        if (item.kind == ItemArgument::Kind::path || item.kind == ItemArgument::Kind::typed) {
            if (auto reason = FileManager::defaultManager().unreadableReason(item.value)) {
                err << program << ": item " << providers.size() + 1 << " (" << item.value << ") cannot be read: " << *reason
                    << "\n";
            }
        }
        providers.push_back(std::move(provider));
    }

    // Opened once: looked at here for what cannot be read, then handed to the share.
    const std::string group = PushShared::suiteName();
    std::shared_ptr<UserDefaults> appGroupSuite = group.empty() ? nullptr : UserDefaults::suite(group);
    reportUnreadableSettings(program, group, appGroupSuite.get(), err);

    ProgramWorld world(inv.now);
    MainQueue& queue = world.queue;
    UIWindow window(queue);
    UIDriver driver(window);

    // Ctrl-C (or a termination request) taps Cancel; the run then ends as any cancelled share
    // does, through the same teardown. Watched from before start-up, which may zip a folder.
    bool interrupted = false;
    InterruptSignals signals(queue, [&](InterruptSignals::Kind) {
        interrupted = true;
        err << program << ": interrupted: cancelling the share (interrupt again to quit at once)\n";
        err.flush();
    });
    // Typed steps arrive while work runs, so that a step such as tap:cancelButton can stop it.
    std::deque<std::string> typed;
    bool inputEnded = !inv.interactive;
    std::optional<InputLines> input;
    if (inv.interactive) {
        input.emplace(queue, [&](std::optional<std::string> line) {
            if (line) typed.push_back(std::move(*line));
            else inputEnded = true;
        });
    }

    auto context = std::make_shared<NSExtensionContext>();
    auto item = std::make_shared<NSExtensionItem>();
    item->attachments = std::move(providers);
    context->inputItems.push_back(item);
    if (inv.sourceApp) context->setValueForKey("sourceApplicationBundleIdentifier", PropertyList(*inv.sourceApp));

    auto controller = ShareViewController::make(programEnvironment(world, window, appGroupSuite));
    // However the run ends, the screen goes first, then what it started (a scan, a plan, a zip,
    // a send) is cancelled and waited for, while the queue it reports to, the window and the
    // background threads are all still there.
    struct EndOfShare {
        UIWindow& window;
        std::shared_ptr<ShareViewController>& controller;
        MainQueue& queue;
        ~EndOfShare() {
            window.setRootViewController(nullptr);
            controller.reset();
            using namespace std::chrono_literals;
            queue.endTasks(60s);
            queue.drain();
        }
    } endOfShare{window, controller, queue};
    controller->setExtensionContext(context);

    // ---- Progress lines (--progress): the status and progress lines each time they change
    // while a step's work runs, looked at every few milliseconds.
    std::string lastProgress;
    auto reportProgress = [&] {
        if (!inv.progress) return;
        std::string line = oneLine(controller->statusLabel->text);
        if (!controller->uploadProgressStack->hidden && !controller->uploadProgressLabel->text.empty()) {
            line += " | " + oneLine(controller->uploadProgressLabel->text);
        }
        if (line == lastProgress) return;
        lastProgress = line;
        out << "progress: " << line << "\n";
        out.flush();
    };
    // Lets the screen react until nothing can go on without the person; returns early when the
    // program is interrupted or (untilTyped) the person has typed the next step.
    using namespace std::chrono_literals;
    auto settle = [&](bool untilTyped) {
        const auto deadline = std::chrono::steady_clock::now() + 600s;
        while (!interrupted && !(untilTyped && !typed.empty())) {
            if (queue.runUntilIdle(20ms)) break;
            reportProgress();
            if (std::chrono::steady_clock::now() > deadline) break;
        }
        reportProgress();
    };

    window.setRootViewController(controller);
    settle(false);

    // Carries out one step and lets the screen react to it (until the next typed step, when
    // given). `wait` is that reaction alone, to its end whatever is typed meanwhile.
    auto perform = [&](const ScreenStep& step, bool untilTyped) {
        if (step.verb == ScreenStep::Verb::wait) {
            settle(false);
            return;
        }
        performScreenStep(driver, step, out);
        settle(untilTyped);
    };
    std::size_t done = 0;
    for (const auto& step : inv.steps) {
        if (interrupted) break;
        if (requestEnded(*context)) {
            err << program << ": the share ended; " << (inv.steps.size() - done) << " step(s) not carried out\n";
            break;
        }
        try {
            perform(step, false);
            ++done;
        } catch (const UIDriverError& e) {
            err << program << ": " << e.problem() << "\n" << e.screen();
            return 2;
        }
    }
    if (inv.interactive && !interrupted && !requestEnded(*context)) {
        // The screen as it stands, before the first step is read.
        out << textDump(window);
        out.flush();
        while (!interrupted && !requestEnded(*context)) {
            if (typed.empty()) {
                if (inputEnded) break;
                queue.runUntil([&] { return interrupted || !typed.empty() || inputEnded; }, 3600s);
                continue;
            }
            const std::string line = std::move(typed.front());
            typed.pop_front();
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            try {
                perform(parseScreenStep(line), true);
            } catch (const ScreenStepError& e) {
                err << program << ": " << e.what() << "\n";
                continue;
            } catch (const UIDriverError& e) {
                err << program << ": " << e.problem() << "\n";
                continue;
            }
            out << textDump(window);
            out.flush();
        }
        // Work that the last steps started goes on to its end.
        settle(false);
    }
    if (interrupted && !requestEnded(*context)) {
        // Cancel as a person would tap it; behind an alert or the picker, the button's own action.
        try {
            driver.tap(share::roles::cancelButton);
        } catch (const UIDriverError&) {
            controller->cancelTapped();
        }
        // The send winds down (its channel closed, nothing counted as done) before the output.
        queue.runUntilIdle(10s);
    }
    input.reset();

    out << textDump(window);
    if (inv.htmlPath) {
        std::ofstream file(*inv.htmlPath, std::ios::binary | std::ios::trunc);
        file << htmlPage(window, "Tarvo Share");
        file.close();
        if (!file) {
            err << program << ": cannot write " << *inv.htmlPath << "\n";
            return 2;
        }
    }

    int status = 3;
    const NSExtensionContext::Outcome outcome = context->outcome();
    switch (outcome.state) {
        case NSExtensionContext::RequestState::completed:
            out << "completed: " << oneLine(controller->statusLabel->text) << "\n";
            status = 0;
            break;
        case NSExtensionContext::RequestState::cancelled:
            out << "cancelled: "
                << oneLine(outcome.cancellationError ? outcome.cancellationError->localizedDescription : "") << "\n";
            status = 1;
            break;
        case NSExtensionContext::RequestState::pending:
            out << "open: " << oneLine(controller->statusLabel->text) << "\n";
            status = 3;
            break;
    }
    out.flush();
    return status;
}

int shareHostMain(int argc, const char* const* argv) {
    const std::string program = argc > 0 && argv[0] ? std::filesystem::path(argv[0]).filename().string() : "tarvo-share";
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    int status = 1;
    try {
        status = runShareHost(program, args, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << program << ": " << describeError(e) << "\n";
        status = 1;
    }
    // A cancelled send's channel is closing on the network threads, which end with the process:
    // its close frame ("going away") reaches the server first.
    using namespace std::chrono_literals;
    if (!URLSessionWebSocketTask::waitUntilAllEnded(5s)) {
        std::cerr << program << ": a connection to a server was still closing when the share ended\n";
    }
    // However the share ended, the copies of what was shared go with it.
    removeRunTemporaryFolder();
    return status;
}

}  // namespace tarvo::share_host
