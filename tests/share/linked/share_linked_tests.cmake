# NVK sidecar tickets and the linked deployment: the ticket rules and texts as tables, and the
# controller's linked flow against the loopback server.
tarvo_test(share_linked_rules_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/NVKSidecarDecoderTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinkedDeploymentRulesTests.cpp
  LIBS tarvo_share_linked tarvo_test_support)

tarvo_test(share_linked_controller_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareLinkedDeploymentTests.cpp
  LIBS tarvo_share_test_support tarvo_share_linked)

# tarvo-share with tickets among the items, against the loopback server.
tarvo_test(share_linked_host_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareLinkedHostTests.cpp
  LIBS tarvo_peer tarvo_test_support platform_foundation tarvo_share_program_fixture)
add_dependencies(share_linked_host_tests tarvo-share tarvo-defaults)
