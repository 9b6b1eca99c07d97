# The loopback server fixture shared by the network tests, and the misbehaving raw peer beside it.
tarvo_library(tarvo_peer
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PeerServer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RawPeer.cpp
  LIBS platform_foundation tarvo_server_process)
target_compile_definitions(tarvo_peer PRIVATE
  TARVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TARVO_PYTHON="${TARVO_PYTHON}")

# How the fixtures above and the upload sink start their server process.
tarvo_library(tarvo_server_process
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ServerProcess.cpp)

# The loopback server started by hand, in the background or with standard input closed.
add_test(NAME PeerServer.RunsDetachedUntilASignal
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/peer_detached.sh ${TARVO_PYTHON})
set_tests_properties(PeerServer.RunsDetachedUntilASignal PROPERTIES TIMEOUT 120)
