# The project insight of a share and what the share remembers of projects: the insight scan's
# rules, the recommendation refresh's keys and order, the smart-share plan and its card, the
# recipe evidence and the project-scoped server choices. The controller (share_controller.cmake)
# links them.
tarvo_library(tarvo_share_smart_rules
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ArtifactInsightScan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ArtifactRecommendationRefresh.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SmartSharePlan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecipeEvidence.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProjectServerChoices.cpp
  LIBS
    tarvo_share_rules
    tarvo_share_model
    tarvo_intake
    tarvo_artifacts
    tarvo_shared
    platform_foundation)
