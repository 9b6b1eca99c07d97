# The screen platform: views, controls, target-action tables, menus, alerts, table screens,
# keyboard notifications, the driver and its step language, and the two renderers (the HTML in
# a headless browser when one is installed).
tarvo_test(uikit_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/UIDriverTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UIKitViewsTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PresentationTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KeyboardTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScreenStepTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScreenRendererTests.cpp
  LIBS platform_uikit platform_concurrency platform_foundation tarvo_test_support)
