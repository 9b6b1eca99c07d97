# One derived refresh with 200 servers and 500 script candidates, and the server stack rebuilt.
tarvo_bench(share_presentation_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DerivedRefreshBench.cpp
  LIBS tarvo_share_test_support)
