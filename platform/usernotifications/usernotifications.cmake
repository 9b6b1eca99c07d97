# Stand-in for the notification service extension point: content, sounds, the extension base
# and the platform's delivery of one push through an extension.
tarvo_library(platform_usernotifications
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/UNNotificationSound.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UNNotificationContent.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UNNotificationServiceExtension.cpp
  LIBS platform_foundation Threads::Threads)
