tarvo_test(intake_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Crc32Tests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FolderZipWriterTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ItemMaterializerTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MaterializedItemCacheTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PayloadKeysTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlatformLayerTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ZipListingReaderTests.cpp
  LIBS
    tarvo_intake
    tarvo_test_support
  TIMEOUT 120)
