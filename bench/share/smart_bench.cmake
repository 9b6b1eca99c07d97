# The project insight: a 60,000-entry archive scanned to a ready insight, and the smart-share
# plan over 100 presets on each of 20 servers, with the main queue's longest stall.
tarvo_bench(smart_share_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SmartShareBench.cpp
  LIBS tarvo_share_test_support tarvo_intake_zip)
