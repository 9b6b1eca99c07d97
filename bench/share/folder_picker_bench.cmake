# The folder picker on a folder of 100,000 entries: listing, a search keystroke, a sort change.
tarvo_bench(folder_picker_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FolderPickerBench.cpp
  LIBS tarvo_share_test_support)
