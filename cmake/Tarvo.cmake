# Shared helpers for the area fragments.
include_directories(${CMAKE_SOURCE_DIR})

# tarvo_library(NAME SOURCES a.cpp b.cpp LIBS dep1 dep2)
function(tarvo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  if(TARVO_UNITY_LIBRARIES)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
  endif()
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# tarvo_test(NAME SOURCES a_test.cpp LIBS dep1 [TIMEOUT seconds] [SERIAL])
# Each test case becomes its own CTest test so failures are named and runs parallelise.
function(tarvo_test name)
  cmake_parse_arguments(ARG "SERIAL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  # A test executable's files share most of their headers (gtest, the fixtures, the system's
  # own): compiled as one translation unit they cost a third of the time, which is most of CI.
  if(TARVO_UNITY_TESTS)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
      TARVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
      TARVO_BINARY_DIR="${CMAKE_BINARY_DIR}"
      TARVO_PYTHON="${TARVO_PYTHON}")
  gtest_discover_tests(${name}
      DISCOVERY_TIMEOUT 120
      PROPERTIES TIMEOUT ${ARG_TIMEOUT} RUN_SERIAL ${ARG_SERIAL}
      ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()

# tarvo_bench(NAME SOURCES a_bench.cpp LIBS dep1 [SMOKE arg...])
# Each benchmark is listed in benchmarks.txt of the build folder with the arguments of its smoke
# run (scripts/bench-smoke): SMOKE when given, else one short pass of every Google Benchmark case.
set(TARVO_BENCH_LIST "${CMAKE_BINARY_DIR}/benchmarks.txt")
file(WRITE "${TARVO_BENCH_LIST}" "")
function(tarvo_bench name)
  if(NOT TARVO_BUILD_BENCH)
    return()
  endif()
  find_package(benchmark REQUIRED)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;SMOKE" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark Threads::Threads)
  if(NOT ARG_SMOKE)
    set(ARG_SMOKE "--benchmark_min_time=0.001")
  endif()
  list(JOIN ARG_SMOKE " " smoke)
  file(APPEND "${TARVO_BENCH_LIST}" "${name} ${smoke}\n")
endfunction()
