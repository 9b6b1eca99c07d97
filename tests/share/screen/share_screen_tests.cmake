# The share screen's rules as tables.
tarvo_test(share_screen_rules_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DraftResolutionTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DraftBindingTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareScreenRulesTests.cpp
  LIBS tarvo_share_screen_rules)
