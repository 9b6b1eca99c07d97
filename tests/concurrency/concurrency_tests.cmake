tarvo_test(concurrency_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TaskTests.cpp
  LIBS platform_concurrency
  TIMEOUT 60)
