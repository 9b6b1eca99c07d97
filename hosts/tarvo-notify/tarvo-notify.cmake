# tarvo-notify: the notification service's host program, with its info file and its sound
# resources placed beside the executable (as <program>.info.json and <program>.resources/).
add_executable(tarvo-notify ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(tarvo-notify PRIVATE tarvo_notification platform_usernotifications platform_foundation)

set(TARVO_NOTIFY_OUT_DIR "${CMAKE_BINARY_DIR}")
set_target_properties(tarvo-notify PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${TARVO_NOTIFY_OUT_DIR}")

file(GLOB TARVO_NOTIFY_SOUNDS CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/Sounds/*")
set(TARVO_NOTIFY_STAGED "")
foreach(src IN LISTS TARVO_NOTIFY_SOUNDS)
  get_filename_component(name "${src}" NAME)
  set(dst "${TARVO_NOTIFY_OUT_DIR}/tarvo-notify.resources/${name}")
  add_custom_command(OUTPUT "${dst}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${TARVO_NOTIFY_OUT_DIR}/tarvo-notify.resources"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${src}" "${dst}"
    DEPENDS "${src}"
    COMMENT "Staging sound ${name}")
  list(APPEND TARVO_NOTIFY_STAGED "${dst}")
endforeach()
set(dst "${TARVO_NOTIFY_OUT_DIR}/tarvo-notify.info.json")
add_custom_command(OUTPUT "${dst}"
  COMMAND ${CMAKE_COMMAND} -E copy_if_different "${CMAKE_CURRENT_LIST_DIR}/tarvo-notify.info.json" "${dst}"
  DEPENDS "${CMAKE_CURRENT_LIST_DIR}/tarvo-notify.info.json"
  COMMENT "Staging tarvo-notify.info.json")
list(APPEND TARVO_NOTIFY_STAGED "${dst}")
add_custom_target(tarvo-notify-resources DEPENDS ${TARVO_NOTIFY_STAGED})
add_dependencies(tarvo-notify tarvo-notify-resources)

install(TARGETS tarvo-notify RUNTIME DESTINATION bin)
install(FILES "${CMAKE_CURRENT_LIST_DIR}/tarvo-notify.info.json" DESTINATION bin)
install(FILES ${TARVO_NOTIFY_SOUNDS} DESTINATION bin/tarvo-notify.resources)
