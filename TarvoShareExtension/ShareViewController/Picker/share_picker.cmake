# The remote folder picker: its path, listing, sort and subtitle rules, and its screen.
tarvo_library(tarvo_share_picker_rules
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RemoteFolderPath.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderSortMode.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderListing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderSubtitle.cpp
  LIBS
    tarvo_remote
    platform_textstyles
    platform_foundation)

tarvo_library(tarvo_share_picker
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RemoteFolderPickerViewController.cpp
  LIBS
    tarvo_share_picker_rules
    tarvo_share_rules
    tarvo_cmdstream
    tarvo_remote
    platform_uikit
    platform_concurrency
    platform_foundation)
