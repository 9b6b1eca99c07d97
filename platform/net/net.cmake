# The URL-session stand-in: HTTP(S) data and upload tasks over Beast and OpenSSL. Beast lives
# only in detail/*.cpp; the public headers carry no Beast.
tarvo_library(platform_net
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/URLError.cpp
    ${CMAKE_CURRENT_LIST_DIR}/URLRequest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/URLSession.cpp
    ${CMAKE_CURRENT_LIST_DIR}/detail/NetRuntime.cpp
    ${CMAKE_CURRENT_LIST_DIR}/detail/HttpExchange.cpp
  LIBS
    platform_foundation
    Boost::headers
    OpenSSL::SSL OpenSSL::Crypto
    Threads::Threads)
