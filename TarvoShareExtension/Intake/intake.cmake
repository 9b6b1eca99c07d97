# Share intake: shared items to temporary files, payload keys, the folder zip writer and the
# zip listing reader.
tarvo_library(tarvo_intake
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Crc32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderZipWriter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemLoaders.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemMaterializer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PayloadKeys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareInputItems.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareIntakeError.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TemporaryFileName.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZipListingReader.cpp
  LIBS
    platform_extension
    platform_filesystem
    platform_concurrency
    platform_foundation)
