# libFuzzer target over the stored settings the share screen's start-up reads. Built only by
# scripts/fuzz-smoke, in a clang build directory of its own; the rules it drives are compiled in
# directly, since the libraries around them hold coroutines that clang cannot build with the
# sanitizers. Seeds in fuzz/corpus/share-startup.
option(TARVO_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(TARVO_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(share_dir ${CMAKE_SOURCE_DIR}/TarvoShareExtension/ShareViewController)
  add_executable(fuzz_share_startup
    ${CMAKE_SOURCE_DIR}/fuzz/ShareStartupFuzzer.cpp
    ${share_dir}/Screen/DraftResolution.cpp
    ${share_dir}/Screen/DraftBinding.cpp
    ${share_dir}/Screen/ShareStartup.cpp
    ${share_dir}/Rules/ShellCandidateSelection.cpp)
  target_link_libraries(fuzz_share_startup PRIVATE tarvo_share_model tarvo_shared tarvo_artifacts platform_extension
                        platform_foundation)
  target_link_options(fuzz_share_startup PRIVATE -fsanitize=fuzzer)
endif()
