# The widget program, with its bundle info file beside it (where the bundle looks for it).
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/tarvo-widgets.info.json
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/tarvo-widgets.info.json
          ${CMAKE_BINARY_DIR}/tarvo-widgets.info.json
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/tarvo-widgets.info.json
  VERBATIM)
add_executable(tarvo-widgets ${CMAKE_CURRENT_LIST_DIR}/main.cpp
               ${CMAKE_BINARY_DIR}/tarvo-widgets.info.json)
set_target_properties(tarvo-widgets PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_libraries(tarvo-widgets PRIVATE tarvo_widgets Threads::Threads)
