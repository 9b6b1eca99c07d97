# The command stream, detached runs and the upload engine, over real loopback sockets.
tarvo_test(cmdstream_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/CmdStreamRulesTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CmdStreamTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteTransferTests.cpp
  LIBS
    tarvo_cmdstream
    tarvo_peer
  TIMEOUT 180)
