# The rules of the share controller that need no screen: script selection and staleness, the
# post-upload shell line, job payload and run policy, deep links and hand-off records, upload
# progress texts.
tarvo_library(tarvo_share_rules
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ShellCandidateSelection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecipeStaleness.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PostUploadShellLine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PostUploadJob.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeepLinks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UploadProgressRenderState.cpp
  LIBS
    tarvo_share_model
    tarvo_intake
    tarvo_transfer
    tarvo_shared
    tarvo_artifacts
    platform_foundation)

