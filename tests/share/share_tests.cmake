# The harness every share test stands on.
tarvo_library(tarvo_share_test_support
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareTestEnvironment.cpp
  LIBS tarvo_share_controller tarvo_peer tarvo_test_support platform_uikit)

# tarvo-share: the command line, and the program end to end on the sample project.
tarvo_test(share_host_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareHostTests.cpp ${CMAKE_CURRENT_LIST_DIR}/ShareHelpRolesTests.cpp
  LIBS tarvo_share_host tarvo_share_test_support tarvo_test_support tarvo_share_program_fixture)
add_dependencies(share_host_tests tarvo-share tarvo-defaults)
