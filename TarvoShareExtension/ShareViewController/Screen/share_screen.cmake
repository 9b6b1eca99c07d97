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
