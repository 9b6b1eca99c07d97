# Tests of the platform foundation and of the tarvo-defaults tool.
add_executable(foundation_defaults_writer ${CMAKE_CURRENT_LIST_DIR}/DefaultsWriterHelper.cpp)
target_link_libraries(foundation_defaults_writer PRIVATE platform_foundation)

tarvo_test(foundation_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TextTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/JsonTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UrlTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EncodingTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PropertyListTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UserDefaultsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PathsBundleTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DefaultsToolTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RobustnessTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CollationTest.cpp
  LIBS platform_foundation platform_collation tarvo_test_support)
add_dependencies(foundation_tests foundation_defaults_writer tarvo-defaults)
target_compile_definitions(foundation_tests PRIVATE
    FOUNDATION_DEFAULTS_WRITER="$<TARGET_FILE:foundation_defaults_writer>"
    TARVO_DEFAULTS_TOOL="$<TARGET_FILE:tarvo-defaults>")
