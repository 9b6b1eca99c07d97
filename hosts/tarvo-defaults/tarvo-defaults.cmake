# Command-line access to the defaults suites and standard stores, for people and tests.
add_executable(tarvo-defaults ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(tarvo-defaults PRIVATE platform_foundation)
