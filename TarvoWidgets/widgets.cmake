# The activity widget: feed model and reader, timeline provider, configuration and views.
tarvo_library(tarvo_widgets
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../Core/WidgetEventStore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TarvoWidgets.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TarvoWidgetsBundle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WidgetDefinition.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WidgetView.cpp
  LIBS platform_widgetkit platform_dateformatter platform_filedata platform_foundation)
