# The share screen with 200 servers: a keystroke with autosave and a full build of the screen.
tarvo_bench(share_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareScreenBench.cpp
  LIBS tarvo_share_test_support)
