# The URL-session stand-in's WebSocket tasks (ws and wss over Beast and OpenSSL). Beast lives only
# in the .cpp; the header carries none.
tarvo_library(platform_net_ws
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/URLSessionWebSocketTask.cpp
    ${CMAKE_CURRENT_LIST_DIR}/detail/ClientFrames.cpp
  LIBS
    platform_net
    platform_concurrency
    platform_foundation
    Boost::headers
    OpenSSL::SSL OpenSSL::Crypto
    Threads::Threads)
