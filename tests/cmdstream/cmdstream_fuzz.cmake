# libFuzzer targets for the command-stream frame decoder and for what a run's replies mean to
# the waits for them. Built only by scripts/fuzz-smoke, in a clang build directory of its own; the
# decoder's files are compiled in directly so the fuzz build needs none of the network code.
option(TARVO_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(TARVO_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_executable(fuzz_cmd_frame
    ${CMAKE_SOURCE_DIR}/fuzz/CmdFrameFuzzer.cpp
    ${CMAKE_SOURCE_DIR}/TarvoShareExtension/Remote/CmdStreamFrame.cpp)
  target_link_libraries(fuzz_cmd_frame PRIVATE platform_foundation)
  target_link_options(fuzz_cmd_frame PRIVATE -fsanitize=fuzzer)

  set(remote_dir ${CMAKE_SOURCE_DIR}/TarvoShareExtension/Remote)
  add_executable(fuzz_run_reply
    ${CMAKE_SOURCE_DIR}/fuzz/RunReplyFuzzer.cpp
    ${remote_dir}/CmdStreamFrame.cpp
    ${remote_dir}/CmdStreamReplies.cpp
    ${remote_dir}/RemoteFailure.cpp
    ${remote_dir}/RemoteTransferError.cpp
    ${remote_dir}/TransportError.cpp)
  target_link_libraries(fuzz_run_reply PRIVATE platform_foundation)
  target_link_options(fuzz_run_reply PRIVATE -fsanitize=fuzzer)
endif()
