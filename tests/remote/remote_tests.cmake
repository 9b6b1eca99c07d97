tarvo_test(remote_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/URLSessionTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteAPITests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/JobsAPITests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TransferProgressTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReceptionistClientTests.cpp
  LIBS
    tarvo_remote
    tarvo_transfer
    tarvo_peer
    platform_net
    platform_concurrency
    platform_foundation
  TIMEOUT 60)
