# The share controller, one class over the files named after its concerns; it glues every
# concern's library beside this folder to the screen.
file(GLOB TARVO_SHARE_CONTROLLER_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_LIST_DIR}/ShareViewController.cpp
     ${CMAKE_CURRENT_LIST_DIR}/ShareViewController+*.cpp
     ${CMAKE_CURRENT_LIST_DIR}/ShareFileAPI.cpp)
tarvo_library(tarvo_share_controller
  SOURCES ${TARVO_SHARE_CONTROLLER_SOURCES}
  LIBS
    tarvo_share_picker
    tarvo_share_linked
    tarvo_share_presentation
    tarvo_share_send_rules
    tarvo_share_recipe
    tarvo_share_smart_rules
    tarvo_share_zip_progress
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
