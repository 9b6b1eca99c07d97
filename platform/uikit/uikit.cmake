# Screens without a window system: in-memory views, controls, menus, alerts, table screens,
# the window with its keyboard notifications and animator, the driver that taps and types like
# a finger, the step language of the share program, and the text dump and HTML renderers.
file(GLOB TARVO_UIKIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
tarvo_library(platform_uikit
  SOURCES ${TARVO_UIKIT_SOURCES}
  LIBS platform_render platform_concurrency platform_foundation)
