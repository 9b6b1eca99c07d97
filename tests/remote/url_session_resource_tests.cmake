# The URL session's whole-task time-out over the loopback server.
tarvo_test(url_session_resource_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/URLSessionResourceTimeoutTests.cpp
  LIBS tarvo_peer platform_net platform_concurrency platform_foundation
  TIMEOUT 60)
