# Byte counts for people ("1.5 MB"), in the file style of the platform's formatter.
tarvo_library(platform_bytecountformatter
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ByteCountFormatter.cpp
  LIBS)
