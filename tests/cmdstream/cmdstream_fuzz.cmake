# libFuzzer target for the command-stream frame decoder. Built only by scripts/fuzz-smoke, in a
# clang build directory of its own; the decoder's file is compiled in directly so the fuzz build
# needs none of the network code.
option(TARVO_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(TARVO_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_executable(fuzz_cmd_frame
    ${CMAKE_SOURCE_DIR}/fuzz/CmdFrameFuzzer.cpp
    ${CMAKE_SOURCE_DIR}/TarvoShareExtension/Remote/CmdStreamFrame.cpp)
  target_link_libraries(fuzz_cmd_frame PRIVATE platform_foundation)
  target_link_options(fuzz_cmd_frame PRIVATE -fsanitize=fuzzer)
endif()
