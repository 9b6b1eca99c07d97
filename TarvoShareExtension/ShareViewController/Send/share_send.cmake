# The send flows' texts and decisions, and the run's notification and readiness options.
tarvo_library(tarvo_share_send_rules
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/SendFlowText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RunNotificationOptions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ArtifactObservation.cpp
  LIBS
    tarvo_share_screen_rules
    tarvo_share_rules
    tarvo_shared
    platform_foundation)
