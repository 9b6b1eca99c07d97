# The project insight of a share: its rules as tables.
tarvo_test(share_smart_rules_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareSmartRulesTests.cpp
  LIBS tarvo_share_smart_rules tarvo_test_support)
