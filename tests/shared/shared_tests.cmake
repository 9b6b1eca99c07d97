tarvo_test(shared_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PushSharedTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ServerProfileTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SharedServerConfigTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareRunContractTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareLaunchHandoffTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SubstrateRouteTests.cpp
  LIBS tarvo_shared tarvo_test_support)
