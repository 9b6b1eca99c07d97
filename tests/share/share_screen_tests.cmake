# The harness every share test stands on.
tarvo_library(tarvo_share_test_support
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareTestEnvironment.cpp
  LIBS tarvo_share_controller tarvo_peer tarvo_test_support platform_uikit)

# The share screen's rules as tables.
tarvo_test(share_screen_rules_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DraftResolutionTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DraftBindingTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareScreenRulesTests.cpp
  LIBS tarvo_share_screen_rules)

# The controller in a window, driven as a person would.
tarvo_test(share_controller_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ShareStartupTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareBindingTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareLayoutTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareKeyboardTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareSendTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareBadSettingsTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareFileAPITests.cpp
  LIBS tarvo_share_test_support)

# tarvo-share: the command line, and the program end to end on the sample project.
tarvo_test(share_host_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareHostTests.cpp
  LIBS tarvo_share_host tarvo_test_support tarvo_share_program_fixture)
add_dependencies(share_host_tests tarvo-share tarvo-defaults)
