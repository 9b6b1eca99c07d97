# NVK sidecar tickets and the linked deployment: the ticket decoder, the approval request's
# rules and the texts and looks of the linked cards. No coroutine in these files, so the
# libFuzzer build compiles the decoder directly.
tarvo_library(tarvo_share_linked
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/NVKSidecarDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinkedDeploymentApproval.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinkedDeploymentText.cpp
  LIBS
    tarvo_share_screen_rules
    platform_fileattributes
    platform_filesystem
    platform_foundation)
