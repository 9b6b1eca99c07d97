# Texts for people beyond the foundation's: canonical composition and dates in a date and time
# style of a locale.
tarvo_library(platform_textstyles
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TextNormalization.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DateStyleFormatter.cpp
  LIBS platform_foundation)
