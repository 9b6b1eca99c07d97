# The send against a server that stalls, with short time limits, and the screen while a shared
# folder is zipped.
tarvo_test(share_send_stall_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ShareSendStallTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareZipProgressTests.cpp
  LIBS tarvo_share_test_support
  TIMEOUT 180)
