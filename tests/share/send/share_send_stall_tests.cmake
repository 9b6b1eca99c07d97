# The send against a server that stalls, with short time limits.
tarvo_test(share_send_stall_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareSendStallTests.cpp
  LIBS tarvo_share_test_support
  TIMEOUT 180)
