# libFuzzer targets over the two places the widget reads its feed from: the app group's file and
# its defaults value. Built only by scripts/fuzz-smoke, in a clang build directory of its own.
# Seeds in fuzz/corpus/widget-feed and fuzz/corpus/widget-defaults.
option(TARVO_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(TARVO_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  foreach(pair "fuzz_widget_feed:WidgetFeedFuzzer" "fuzz_widget_defaults:WidgetDefaultsFuzzer")
    string(REPLACE ":" ";" parts "${pair}")
    list(GET parts 0 target)
    list(GET parts 1 source)
    add_executable(${target} ${CMAKE_SOURCE_DIR}/fuzz/${source}.cpp)
    target_link_libraries(${target} PRIVATE tarvo_widgets platform_widgetkit platform_dateformatter platform_foundation)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()
