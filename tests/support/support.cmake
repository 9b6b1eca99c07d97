# Helpers shared by the test suites: scoped temporary folders, environment and Tarvo home,
# whole-file reads and writes, and running a built program.
tarvo_library(tarvo_test_support
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TempHome.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Process.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HeadlessChromium.cpp
  LIBS platform_foundation GTest::gtest)
