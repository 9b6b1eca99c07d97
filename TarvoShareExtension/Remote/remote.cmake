# The remote server client: transports, the REST API, the jobs and recommendation calls.
tarvo_library(tarvo_remote
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TransportError.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteFailure.cpp
    ${CMAKE_CURRENT_LIST_DIR}/URLSessionHTTPTransport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DirListResponse.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareJobSubmitResponse.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteReply.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteAPI.cpp
  LIBS
    tarvo_transfer
    tarvo_artifacts
    platform_net
    platform_concurrency
    platform_foundation)
