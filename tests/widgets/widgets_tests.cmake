# The activity widget: dates, feed reader, provider, views (with golden text dumps), the widget
# platform's renderers and runtime.
tarvo_test(widgets_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DateFormatterTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WidgetEventStoreTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TarvoProviderTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WidgetViewTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WidgetKitTests.cpp
  LIBS tarvo_widgets platform_widgetkit platform_dateformatter platform_foundation tarvo_test_support)

# The built tarvo-widgets program, its demo script and its HTML card in a browser.
tarvo_test(widgets_host_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WidgetsHostTests.cpp
  LIBS tarvo_widgets platform_foundation tarvo_test_support
  TIMEOUT 180)
add_dependencies(widgets_host_tests tarvo-widgets)
target_compile_definitions(widgets_host_tests PRIVATE
  TARVO_WIDGETS_EXE="$<TARGET_FILE:tarvo-widgets>")
