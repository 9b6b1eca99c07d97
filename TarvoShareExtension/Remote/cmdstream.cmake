# The remote client's command stream: the WebSocket transport, the command-stream operations of
# RemoteAPI, detached runs and the upload engine.
tarvo_library(tarvo_cmdstream
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RemoteTransferError.cpp
    ${CMAKE_CURRENT_LIST_DIR}/URLSessionStreamTransport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CmdStreamFrame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CmdStreamReplies.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CmdStream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteAPICmdStream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteTransfer.cpp
  LIBS
    tarvo_remote
    tarvo_transfer
    platform_net_ws
    platform_net
    platform_filesystem
    platform_fileattributes
    platform_concurrency
    platform_foundation)
