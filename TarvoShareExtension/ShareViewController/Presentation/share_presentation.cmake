# The share screen's derived presentation as pure rules: hero, dock and send texts, server rows,
# the artifact card's lines, the mood and the menus' choices.
tarvo_library(tarvo_share_presentation
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/SharePresentation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareMood.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecipeMenuRules.cpp
  LIBS
    tarvo_share_screen_rules
    tarvo_share_model
    tarvo_artifacts
    tarvo_shared
    platform_bytecountformatter
    platform_uikit
    platform_foundation)
