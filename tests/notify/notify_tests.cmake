# The notification service, its sound policy, the notification platform stand-in and the ICU
# regular expressions they use; and the tarvo-notify program run from its command line.
tarvo_test(notify_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RegexTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UserNotificationsTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PushSoundPolicyTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NotificationServiceTests.cpp
  LIBS tarvo_notification platform_usernotifications platform_regex platform_foundation tarvo_test_support)

tarvo_test(notify_host_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/NotifyHostTests.cpp
  LIBS platform_foundation tarvo_test_support)
add_dependencies(notify_host_tests tarvo-notify)
target_compile_definitions(notify_host_tests PRIVATE TARVO_NOTIFY_EXE="$<TARGET_FILE:tarvo-notify>")
