# The notification service and its sound policy.
tarvo_library(tarvo_notification
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/NotificationService.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../Core/PushSoundConfig.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../Core/PushSoundPolicy.cpp
  LIBS tarvo_shared platform_usernotifications platform_regex platform_foundation)
