tarvo_test(shared_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PushSharedTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ServerProfileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SharedServerConfigTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExecutionContractTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareLaunchHandoffTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SubstrateRouteTest.cpp
  LIBS tarvo_shared tarvo_test_support)
