#pragma once
// Holds the index of the insight's candidates for the length of one build of the server rows
// or of the mood, which ask which scripts every server's draft selects; a build inside another
// one uses the outer index.
#include <optional>

#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"

namespace tarvo {

class CandidateIndexForTheBuild {
public:
    explicit CandidateIndexForTheBuild(const ShareViewController& c) : c_(c) {
        if (c_.candidateSelectorDuringBuild != nullptr) return;
        own_.emplace(c_.artifactInsight.shellCandidates);
        c_.candidateSelectorDuringBuild = &*own_;
    }
    ~CandidateIndexForTheBuild() {
        if (own_) c_.candidateSelectorDuringBuild = nullptr;
    }
    CandidateIndexForTheBuild(const CandidateIndexForTheBuild&) = delete;
    CandidateIndexForTheBuild& operator=(const CandidateIndexForTheBuild&) = delete;

private:
    const ShareViewController& c_;
    std::optional<share::CandidateSelector> own_;
};

}  // namespace tarvo
