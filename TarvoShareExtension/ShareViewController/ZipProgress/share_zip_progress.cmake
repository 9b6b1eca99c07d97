# The screen while a shared folder is zipped for its upload.
tarvo_library(tarvo_share_zip_progress
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ZipProgressState.cpp
  LIBS
    tarvo_share_send_rules
    tarvo_share_rules
    tarvo_intake_zip)
