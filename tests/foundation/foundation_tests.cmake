# Tests of the platform foundation and of the tarvo-defaults tool.
add_executable(foundation_defaults_writer ${CMAKE_CURRENT_LIST_DIR}/DefaultsWriterHelper.cpp)
target_link_libraries(foundation_defaults_writer PRIVATE platform_foundation)

tarvo_test(foundation_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TextTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/JsonTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UrlTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EncodingTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PropertyListTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UserDefaultsTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PathsBundleTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RunTemporaryFolderTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DefaultsToolTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RobustnessTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CollationTests.cpp
  LIBS platform_foundation tarvo_test_support)
add_dependencies(foundation_tests foundation_defaults_writer tarvo-defaults)
target_compile_definitions(foundation_tests PRIVATE
    FOUNDATION_DEFAULTS_WRITER="$<TARGET_FILE:foundation_defaults_writer>"
    TARVO_DEFAULTS_TOOL="$<TARGET_FILE:tarvo-defaults>")
