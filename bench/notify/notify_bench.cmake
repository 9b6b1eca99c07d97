# Time per push through the notification service.
tarvo_bench(notify_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/NotificationServiceBench.cpp
  LIBS tarvo_notification platform_foundation)
