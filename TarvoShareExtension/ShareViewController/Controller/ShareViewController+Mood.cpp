// The share's mood: the tint the hero card, the dock, the server rows and the artifact card take.
// It is worked out from the controller's state whenever it is needed, never stored; the table
// that turns counts into colours is ShareMood's.
#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"

#include "TarvoShareExtension/ShareViewController/Controller/CandidateIndexForTheBuild.h"

namespace tarvo {

using namespace platform;

ShareViewController::ShareMood ShareViewController::currentShareMood() const {
    if (moodDuringRefresh) return *moodDuringRefresh;
    // The servers whose recipes count: the selected ones in multi mode; in single mode the
    // draft's server, else the first configured one.
    std::vector<std::string> targets;
    if (serverMode == ServerMode::multi) {
        for (const auto& s : servers) {
            if (selectedServerIDs.count(s.id) != 0) targets.push_back(s.id);
        }
    } else if (!draft.serverId.empty()) {
        targets.push_back(draft.serverId);
    } else if (!servers.empty()) {
        targets.push_back(servers.front().id);
    }

    const CandidateIndexForTheBuild index(*this);
    share::MoodFacts facts;
    facts.failureCount = share::moodFailureCount(serverRunStates);
    for (const auto& id : targets) {
        auto reply = serverRecommendationsByServer.find(id);
        if (reply == serverRecommendationsByServer.end()) continue;
        auto resolved = resolvedDraftsByServer.find(id);
        const Draft& serverDraft = resolved != resolvedDraftsByServer.end() ? resolved->second : draft;
        if (auto count = share::recordedSuccessCount(selectedArtifactCandidates(serverDraft), reply->second)) {
            facts.successScore += std::max<std::int64_t>(*count, 0);
        }
    }
    facts.insightReady = artifactInsight.state.is(ArtifactInsightState::Case::ready);
    facts.draftSelectsCandidate = !selectedArtifactCandidates(draft).empty();
    facts.draftRunsCommand = share::runsCommand(draft.postUploadAction);
    return share::decideShareMood(facts);
}

UIColor ShareViewController::blendedMoodSurface(const UIColor& tint, double amount, const UIColor& base) {
    return share::blendedMoodSurface(tint, amount, base);
}

void ShareViewController::applyShareMoodToChrome() {
    const ShareMood mood = currentShareMood();
    const share::ChromeTint tint = share::chromeTint(mood.strength);
    view()->backgroundColor = UIColor::systemBackground();
    scrollView->backgroundColor = UIColor::systemBackground();
    if (auto hero = heroHeaderCard.lock()) {
        hero->backgroundColor =
            blendedMoodSurface(mood.tint, tint.surfaceAmount, UIColor::secondarySystemGroupedBackground());
        hero->borderColor = mood.tint.withAlphaComponent(tint.borderAlpha);
    }
    if (auto dock = actionDockCard.lock()) {
        dock->backgroundColor = blendedMoodSurface(mood.tint, tint.dockAmount, UIColor::secondarySystemGroupedBackground());
        dock->borderColor = mood.tint.withAlphaComponent(tint.borderAlpha);
    }
    // A busy or disabled send button keeps its colour.
    if (!isBusy && sendButton->enabled) sendButton->backgroundColor = mood.accent;
}

}  // namespace tarvo
