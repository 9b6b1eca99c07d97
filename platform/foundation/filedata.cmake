# Whole-file reads for system code that must not open files itself.
tarvo_library(platform_filedata
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileData.cpp
  LIBS platform_foundation)
