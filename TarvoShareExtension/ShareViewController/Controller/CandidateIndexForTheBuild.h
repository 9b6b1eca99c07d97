#pragma once
// Holds the index of the insight's candidates for the length of one build of the server rows
// or of the mood, which ask which scripts every server's draft selects and whether its recipe
// still fits the base candidates; a build inside another one uses the outer index. The index is
// kept between builds while the candidates are the same, and each new one has a new generation,
// by which what was worked out with an older one is told apart.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "TarvoShareExtension/ShareViewController/Controller/ShareViewController.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"

namespace tarvo {

struct CandidateIndexCache {
    CandidateIndexCache(std::vector<ArtifactShellCandidate> c, std::vector<ArtifactShellCandidate> base)
        : candidates(std::move(c)),
          baseCandidates(std::move(base)),
          selector(candidates),
          baseMatcher(baseCandidates),
          generation(nextGeneration()) {}
    CandidateIndexCache(const CandidateIndexCache&) = delete;
    CandidateIndexCache& operator=(const CandidateIndexCache&) = delete;

    const std::vector<ArtifactShellCandidate> candidates;      // what the selector indexes
    const std::vector<ArtifactShellCandidate> baseCandidates;  // what a remembered recipe must fit
    const share::CandidateSelector selector;
    const share::CommandMatcher baseMatcher;
    const std::uint64_t generation;

private:
    static std::uint64_t nextGeneration() {
        static std::atomic<std::uint64_t> last{0};
        return ++last;
    }
};

class CandidateIndexForTheBuild {
public:
    explicit CandidateIndexForTheBuild(const ShareViewController& c) : c_(c) {
        if (c_.candidateSelectorDuringBuild != nullptr) return;
        const auto& now = c_.artifactInsight.shellCandidates;
        const auto& base = c_.artifactInsight.baseShellCandidates;
        if (!c_.candidateIndexCache || c_.candidateIndexCache->candidates != now ||
            c_.candidateIndexCache->baseCandidates != base) {
            c_.candidateIndexCache = std::make_shared<CandidateIndexCache>(now, base);
        }
        c_.candidateSelectorDuringBuild = &c_.candidateIndexCache->selector;
        outermost_ = true;
    }
    ~CandidateIndexForTheBuild() {
        if (outermost_) c_.candidateSelectorDuringBuild = nullptr;
    }
    CandidateIndexForTheBuild(const CandidateIndexForTheBuild&) = delete;
    CandidateIndexForTheBuild& operator=(const CandidateIndexForTheBuild&) = delete;

    // The generation of the index in use.
    std::uint64_t generation() const { return c_.candidateIndexCache->generation; }

private:
    const ShareViewController& c_;
    bool outermost_ = false;
};

}  // namespace tarvo
