# The share program: its command line and run as a library (tested), main() and the bundle
# info file beside the executable.
tarvo_library(tarvo_share_host
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ShareCommandLine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareHost.cpp
  LIBS tarvo_share_controller platform_uikit platform_extension platform_dateformatter platform_foundation)

add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/tarvo-share.info.json
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/tarvo-share.info.json
          ${CMAKE_BINARY_DIR}/tarvo-share.info.json
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/tarvo-share.info.json
  VERBATIM)
add_executable(tarvo-share ${CMAKE_CURRENT_LIST_DIR}/main.cpp ${CMAKE_BINARY_DIR}/tarvo-share.info.json)
set_target_properties(tarvo-share PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_libraries(tarvo-share PRIVATE tarvo_share_host Threads::Threads)
