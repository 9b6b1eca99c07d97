// The multi-server dispatch: the single-server flow repeated per selected server, in list order.
#include "TarvoShareExtension/ShareViewController/Send/SendFlowText.h"
#include "TarvoShareExtension/ShareViewController/Screen/SendState.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "platform/concurrency/Cancellation.h"
#include "platform/uikit/AlertChoice.h"

namespace tarvo {

using namespace platform;

Async<void> ShareViewController::runMultiSend(Draft currentDraft) {
    std::vector<ServerProfile> selected;
    for (const auto& s : servers) {
        if (selectedServerIDs.count(s.id)) selected.push_back(s);
    }
    if (selected.empty()) {
        setBusy(false, std::string(share::kSelectAtLeastOneServerText));
        co_return;
    }
    persistGlobalDraft(currentDraft);
    suppressShareCompletion = true;
    lastSendError.reset();

    serverRunStates.clear();
    for (const auto& s : selected) serverRunStates[s.id] = std::string(share::kRunStateWaiting);
    rebuildMultiServerStack();

    const std::size_t total = selected.size();
    std::size_t successes = 0;
    std::vector<std::string> failures;
    for (const auto& server : selected) {
        if (co_await isCancelled()) break;

        const Draft d = server.id == currentDraft.serverId ? currentDraft : workingDraft(server, currentDraft);
        resolvedDraftsByServer[server.id] = d;
        serverDraftStore.byServer[server.id] = d;
        serverDraftStoreWriter.save(serverDraftStore, *defaults);

        if (multiDispatchMode == MultiDispatchMode::oneByOne) {
            const bool deploy = co_await requestPerServerApproval(server, d, successes + 1, total);
            // The answer may come after the share was cancelled; nothing more runs then.
            if (co_await isCancelled()) break;
            if (!deploy) {
                serverRunStates[server.id] = std::string(share::kRunStateSkipped);
                rebuildMultiServerStack();
                continue;
            }
        }

        lastSendError.reset();
        serverRunStates[server.id] = std::string(share::kRunStateRunning);
        rebuildMultiServerStack();
        statusLabel->text = share::multiServerStatus(server.displayLabel(), successes + 1, total);

        if (d.action == ShareAction::emit) {
            co_await runEmit(d, server);
        } else {
            co_await runUpload(d, server);
        }

        // A flow that ended because the send was cancelled did not succeed, whatever it left.
        std::optional<std::string> error = lastSendError;
        if ((!error || error->empty()) && co_await isCancelled()) error = std::string(share::kCancelledText);
        if (error && !error->empty()) {
            failures.push_back(server.displayLabel() + ": " + *error);
            serverRunStates[server.id] = share::failedRunState(*error);
        } else {
            ++successes;
            serverRunStates[server.id] = std::string(share::kRunStateSucceeded);
        }
        rebuildMultiServerStack();
    }

    suppressShareCompletion = false;
    share::MultiSendSummary summary = share::multiSendSummary(successes, failures);
    if (summary.completes) {
        co_await finishSuccessfulShare(std::move(summary.message));
    } else {
        setBusy(false, summary.message);
    }
}

Async<bool> ShareViewController::requestPerServerApproval(const ServerProfile& server, const Draft& d,
                                                          std::size_t ordinal, std::size_t total) {
    auto alert = UIAlertController::make(share::approvalTitle(ordinal, total),
                                         share::approvalMessage(server.displayLabel(), d, typeKey));
    alert->addAction(UIAlertAction::make(std::string(share::kSkipTitle), UIAlertAction::Style::cancel));
    alert->addAction(UIAlertAction::make(std::string(share::kDeployTitle), UIAlertAction::Style::defaultStyle));
    std::optional<std::string> choice = co_await presentAlertAndWaitForChoice(*this, alert, env_.mainQueue);
    co_return choice && *choice == share::kDeployTitle;
}

std::vector<std::string> ShareViewController::orderedSelectedServerIDsForCurrentMode() const {
    return share::orderedSelectedServerIDs(servers, selectedServerIDs, serverMode, draft.serverId);
}

}  // namespace tarvo
