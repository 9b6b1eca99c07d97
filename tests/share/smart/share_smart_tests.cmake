# The project insight of a share: its rules as tables, and the scan, the recommendations, the
# smart-share plan and the project's server choices through the controller in a window against
# the loopback server.
tarvo_test(share_smart_rules_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareSmartRulesTests.cpp
  LIBS tarvo_share_smart_rules tarvo_test_support)

tarvo_test(share_insight_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareInsightTests.cpp
  LIBS tarvo_share_test_support tarvo_intake_zip)
add_dependencies(share_insight_tests tarvo-share tarvo-defaults)
