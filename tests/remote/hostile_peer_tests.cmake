# Every public client of the remote server against a server that misbehaves on purpose.
tarvo_test(hostile_peer_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/HostilePeerTests.cpp
  LIBS
    tarvo_cmdstream
    tarvo_transfer
    tarvo_peer
  TIMEOUT 60)
