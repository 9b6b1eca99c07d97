# Client WebSocket frames laid out and masked by our own code, checked by decoding them back.
tarvo_test(client_frames_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ClientFramesTests.cpp
  LIBS
    platform_net_ws)
