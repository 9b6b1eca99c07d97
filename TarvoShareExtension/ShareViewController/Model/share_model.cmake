# The share's value types: the choices of a send, the per-server draft and its store, the
# artifact insight, and the recipe text rules they are normalised with.
tarvo_library(tarvo_share_model
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ShareChoices.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecipeText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Draft.cpp
  LIBS
    tarvo_shared
    tarvo_artifacts
    platform_foundation)

