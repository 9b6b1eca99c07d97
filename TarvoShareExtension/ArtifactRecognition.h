#pragma once
// Artifact recognition in one include: the project signature, the recommendation reply and the
// shell-script candidates with their ranking.
#include "TarvoShareExtension/ArtifactArchiveEntry.h"
#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "TarvoShareExtension/ArtifactRecommendationResponse.h"
