# What the tarvo-share program tests stand on: the built programs, a private home, the app
# group's keys through tarvo-defaults, and the loopback server for the sending tests.
tarvo_library(tarvo_share_program_fixture
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareProgramFixture.cpp
  LIBS tarvo_peer tarvo_test_support platform_foundation GTest::gtest)
target_compile_definitions(tarvo_share_program_fixture PRIVATE
  TARVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TARVO_BINARY_DIR="${CMAKE_BINARY_DIR}")
