# Server profiles, run contracts, the emit route and the launch hand-off, plus the app-group
# defaults access that the notification service shares.
tarvo_library(tarvo_shared
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ServerProfile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareRunContract.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareLaunchHandoff.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SubstrateRoute.cpp
    ${CMAKE_SOURCE_DIR}/Core/PushShared.cpp
  LIBS platform_foundation)
