# The share screen's presentation rules as tables, and the screen's presentation driven in a
# window.
tarvo_test(share_presentation_rules_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SharePresentationTests.cpp
  LIBS tarvo_share_presentation)

tarvo_test(share_presentation_screen_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SharePresentationScreenTests.cpp
  LIBS tarvo_share_test_support)

tarvo_test(share_presentation_program_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SharePresentationPageTests.cpp
  LIBS tarvo_test_support platform_uikit platform_foundation tarvo_share_program_fixture)
add_dependencies(share_presentation_program_tests tarvo-share tarvo-defaults)
