# The loopback server fixture shared by the network tests.
tarvo_library(tarvo_peer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PeerServer.cpp
  LIBS platform_foundation)
target_compile_definitions(tarvo_peer PRIVATE
  TARVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TARVO_PYTHON="${TARVO_PYTHON}")
