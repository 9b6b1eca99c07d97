# Item attributes (kind, size, modification time) and the file-size resource value of a URL.
tarvo_library(platform_fileattributes
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileAttributes.cpp
  LIBS platform_filesystem platform_foundation)
