# Files and folders: temporary directory, directory walking without following links,
# read/write handles, POSIX reads, memory-mapped whole-file reads.
tarvo_library(platform_filesystem
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DirectoryEnumerator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileHandle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileManager.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileSystemError.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MappedFile.cpp
  LIBS
    platform_foundation)
