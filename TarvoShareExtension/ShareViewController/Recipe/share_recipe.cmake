# Starting a post-upload recipe on a server (job submission, or a detached run).
tarvo_library(tarvo_share_recipe
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PostUploadRecipeLaunch.cpp
  LIBS
    tarvo_share_rules
    tarvo_cmdstream
    tarvo_remote)
