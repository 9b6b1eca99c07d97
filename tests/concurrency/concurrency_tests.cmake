tarvo_test(concurrency_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ContinuationTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeadlineTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainQueueTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QueueEndTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TaskGroupTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TaskTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TerminalEventsTests.cpp
  LIBS platform_concurrency
  TIMEOUT 60)
