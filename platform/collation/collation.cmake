# Locale-aware ordering of names (ICU collation), kept apart from the foundation's text helpers.
tarvo_library(platform_collation
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Collation.cpp
  LIBS
    ICU::uc ICU::i18n ICU::data)
