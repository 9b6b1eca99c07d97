# Transfer progress and the receptionist emit client.
tarvo_library(tarvo_transfer
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TransferProgress.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReceptionistClient.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ReceptionistReply.cpp
  LIBS
    platform_net
    platform_fileattributes
    platform_bytecountformatter
    platform_concurrency
    platform_foundation)
