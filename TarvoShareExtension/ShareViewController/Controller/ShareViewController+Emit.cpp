// The emit flow: the payload posted to one server's receptionist as events, one per item.
#include "Core/ReceptionistClient.h"
#include "TarvoShareExtension/Intake/ItemMaterializer.h"
#include "TarvoShareExtension/ShareViewController/Rules/DeepLinks.h"
#include "TarvoShareExtension/ShareViewController/Send/SendFlowText.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/foundation/ErrorInfo.h"
#include "platform/foundation/Text.h"

namespace tarvo {

using namespace platform;

Async<void> ShareViewController::runEmit(Draft d, ServerProfile server) {
    lastSendError.reset();

    std::optional<URL> baseURL = server.receptionistURLValue();
    if (!baseURL) baseURL = server.urlValue();
    if (!baseURL) {
        lastSendError = std::string(share::kInvalidReceptionistURLText);
        setBusy(false, *lastSendError);
        co_return;
    }
    const std::string token = text::trimmed(server.effectiveReceptionistToken());
    if (token.empty()) {
        lastSendError = std::string(share::kMissingReceptionistTokenText);
        setBusy(false, *lastSendError);
        co_return;
    }

    const std::string kind = share::emitKind(d.kind, typeKey);
    const std::optional<std::string> route = share::emitRouteJSON(d.replyTo, d.onlyAgents);
    const std::string meta = share::makeShareMetaJSON(typeKey, biasKey, sourceBundleID, kind);
    // The screen stands in for a phone's.
    const std::string deviceID(share::emitDeviceID(false));

    // The items as they are now; a scan that replaces the list later does not change this run.
    const ProviderList items = providers;
    const std::size_t count = items.size();
    std::vector<std::string> errors;
    std::optional<std::string> lastReference;
    for (std::size_t i = 0; i < count; ++i) {
        if (co_await isCancelled()) co_return;
        setBusy(true, share::sendingStatus(i + 1, count));
        try {
            TempItem item = co_await materializeOffMain(items[i]);
            EmitHTTPResponse reply = co_await ReceptionistClient::emitFile(
                env_.urlSession, *baseURL, token, item.url, item.filename, deviceID, kind, item.contentType, "tarvo",
                meta, route, nullptr);
            if (reply.ref) {
                std::string ref = text::trimmed(*reply.ref);
                if (!ref.empty()) lastReference = std::move(ref);
            }
        } catch (const std::exception& e) {
            errors.push_back(describeError(e));
        }
    }
    if (!errors.empty()) {
        lastSendError = share::itemFailureSummary(errors);
        setBusy(false, *lastSendError);
        co_return;
    }
    // Nothing after a cancel counts as sent.
    if (co_await isCancelled()) co_return;
    if (d.openOnNextLaunch) {
        if (auto handoff = share::emitLaunchHandoff(server, lastReference)) ShareLaunchHandoff::save(*handoff, *defaults);
    }
    std::string message(share::kSentText);
    co_await finishSuccessfulShare(std::move(message));
}

}  // namespace tarvo
