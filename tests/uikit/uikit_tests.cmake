# The screen platform: views, controls, target-action tables, menus, alerts, table screens,
# keyboard notifications, the driver and its step language, and the two renderers (the HTML in
# a headless browser when one is installed).
tarvo_test(uikit_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/UIDriverTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIKitViewsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PresentationTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KeyboardTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScreenStepTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScreenRendererTest.cpp
  LIBS platform_uikit platform_concurrency platform_foundation tarvo_test_support)
