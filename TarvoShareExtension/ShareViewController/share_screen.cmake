# The share screen's rules that need no screen: draft resolution and binding, start-up and send
# state, badge texts, keyboard arithmetic and the screen's roles.
tarvo_library(tarvo_share_screen_rules
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ShareScreenRoles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DraftResolution.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DraftBinding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareStartup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SendState.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BadgeText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KeyboardAvoidance.cpp
  LIBS
    tarvo_share_rules
    tarvo_share_model
    tarvo_intake
    tarvo_shared
    platform_uikit
    platform_regex
    platform_foundation)

# The share controller, one class over the files named after its concerns.
file(GLOB TARVO_SHARE_CONTROLLER_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_LIST_DIR}/ShareViewController.cpp
     ${CMAKE_CURRENT_LIST_DIR}/ShareViewController+*.cpp
     ${CMAKE_CURRENT_LIST_DIR}/ShareFileAPI.cpp)
tarvo_library(tarvo_share_controller
  SOURCES ${TARVO_SHARE_CONTROLLER_SOURCES}
  LIBS
    tarvo_share_picker
    tarvo_share_screen_rules
    tarvo_share_model
    tarvo_cmdstream
    tarvo_remote
    tarvo_intake
    tarvo_artifacts
    tarvo_shared
    platform_uikit
    platform_extension
    platform_concurrency
    platform_foundation)
