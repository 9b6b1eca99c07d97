# Share intake. The zip half (CRC-32, folder writer, listing reader) has no coroutines and
# stands alone, so the fuzzing build (clang) compiles only what it needs.
tarvo_library(tarvo_intake_zip
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Crc32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderZipWriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareIntakeError.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TemporaryFileName.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZipListingReader.cpp
  LIBS
    platform_filesystem
    platform_foundation)

# Shared items to temporary files and the payload keys.
tarvo_library(tarvo_intake
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ItemLoaders.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemMaterializer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MaterializedItemCache.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PayloadKeys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareInputItems.cpp
  LIBS
    tarvo_intake_zip
    platform_extension
    platform_fileattributes
    platform_filesystem
    platform_concurrency
    platform_foundation)
