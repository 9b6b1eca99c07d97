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
# The controller's linked-deployment file uses them (this fragment sorts after the controller's).
target_link_libraries(tarvo_share_controller PUBLIC tarvo_share_linked)
