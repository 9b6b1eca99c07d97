# Artifact recognition (project signatures, shell-script candidates, the server's
# recommendation reply) and the smart-share memory of presets.
tarvo_library(tarvo_artifacts
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ArtifactCandidateRanker.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ArtifactPathPieces.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ArtifactProjectSignature.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ArtifactRecommendationResponse.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SmartSharePresetMemory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SmartSharePresetMemoryLearning.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SmartSharePresetMemoryScoring.cpp
  LIBS
    platform_foundation)
