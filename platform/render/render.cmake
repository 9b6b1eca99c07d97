# Text helpers shared by the renderers of the widget and of the screens.
tarvo_library(platform_render
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RenderText.cpp
  LIBS platform_foundation)
