# ICU regular expressions (capture groups, replace-all, pattern escaping), kept apart from the
# rest of the foundation so only the programs that match patterns link ICU's i18n part.
tarvo_library(platform_regex
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/Regex.cpp
  LIBS platform_foundation ICU::i18n ICU::uc)
