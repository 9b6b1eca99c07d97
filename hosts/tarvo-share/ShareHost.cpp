#include "hosts/tarvo-share/ShareHost.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "Core/PushShared.h"
#include "TarvoShareExtension/ShareEnvironment.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareFileAPI.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "hosts/tarvo-share/ShareCommandLine.h"
#include "platform/concurrency/BackgroundQueue.h"
#include "platform/concurrency/MainQueue.h"
#include "platform/extension/NSExtensionContext.h"
#include "platform/extension/NSItemProvider.h"
#include "platform/filesystem/FileManager.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/RunTemporaryFolder.h"
#include "platform/foundation/Url.h"
#include "platform/foundation/UserDefaults.h"
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
// temporary folder, the app group's defaults and the remote client factory.
ShareEnvironment programEnvironment(ProgramWorld& world, UIWindow& window) {
    ShareEnvironment env{world.queue,    world.background, URLSession::make(),
                         world.transfer, world.clock,      FileManager::defaultManager().temporaryDirectory()};
    env.window = &window;
    env.standardDefaults = UserDefaults::standard();
    env.appGroupSuiteName = PushShared::suiteName();
    // PushShared::defaults()'s rule, with the suite kept as opened for the one-time copy.
    if (!env.appGroupSuiteName.empty()) env.appGroupSuite = UserDefaults::suite(env.appGroupSuiteName);
    env.defaults = env.appGroupSuite ? env.appGroupSuite : env.standardDefaults;
    env.makeFileAPI = [](const ServerProfile& server) { return share::makeShareFileAPI(server); };
    return env;
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

int runShareHost(const std::string& program, const std::vector<std::string>& args, std::istream& in,
                 std::ostream& out, std::ostream& err) {
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
        providers.push_back(std::move(provider));
    }

    ProgramWorld world(inv.now);
    MainQueue& queue = world.queue;
    UIWindow window(queue);
    UIDriver driver(window);

    auto context = std::make_shared<NSExtensionContext>();
    auto item = std::make_shared<NSExtensionItem>();
    item->attachments = std::move(providers);
    context->inputItems.push_back(item);
    if (inv.sourceApp) context->setValueForKey("sourceApplicationBundleIdentifier", PropertyList(*inv.sourceApp));

    auto controller = ShareViewController::make(programEnvironment(world, window));
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
    window.setRootViewController(controller);
    driver.runUntilIdle();

    // ---- Progress lines (--progress): the status and progress lines each time they change
    // while a step's work runs, looked at every few milliseconds.
    std::string lastProgress;
    auto reportProgress = [&] {
        std::string line = oneLine(controller->statusLabel->text);
        if (!controller->uploadProgressStack->hidden && !controller->uploadProgressLabel->text.empty()) {
            line += " | " + oneLine(controller->uploadProgressLabel->text);
        }
        if (line == lastProgress) return;
        lastProgress = line;
        out << "progress: " << line << "\n";
        out.flush();
    };
    auto settle = [&] {
        if (!inv.progress) {
            driver.runUntilIdle();
            return;
        }
        using namespace std::chrono_literals;
        const auto deadline = std::chrono::steady_clock::now() + 600s;
        while (!queue.runUntilIdle(20ms)) {
            reportProgress();
            if (std::chrono::steady_clock::now() > deadline) break;
        }
        reportProgress();
        driver.runUntilIdle();
    };

    // Carries out one step and lets the screen react to it.
    auto perform = [&](const ScreenStep& step) {
        performScreenStep(driver, step, out);
        settle();
    };
    std::size_t done = 0;
    for (const auto& step : inv.steps) {
        if (requestEnded(*context)) {
            err << program << ": the share ended; " << (inv.steps.size() - done) << " step(s) not carried out\n";
            break;
        }
        try {
            perform(step);
            ++done;
        } catch (const UIDriverError& e) {
            err << program << ": " << e.problem() << "\n" << e.screen();
            return 2;
        }
    }
    if (inv.interactive) {
        std::string line;
        while (!requestEnded(*context) && std::getline(in, line)) {
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            try {
                perform(parseScreenStep(line));
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
    }

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
        status = runShareHost(program, args, std::cin, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << program << ": " << describeError(e) << "\n";
        status = 1;
    }
    // However the share ended, the copies of what was shared go with it.
    removeRunTemporaryFolder();
    return status;
}

}  // namespace tarvo::share_host
