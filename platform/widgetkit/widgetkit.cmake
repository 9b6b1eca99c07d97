# The widget platform: timelines and their providers, widget families, static configurations,
# the view tree with its text dump and HTML renderer, and the runtime's command-line entry.
tarvo_library(platform_widgetkit
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/WidgetFamily.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WidgetNode.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WidgetRenderer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WidgetExtensionMain.cpp
  LIBS platform_render platform_dateformatter platform_foundation)
