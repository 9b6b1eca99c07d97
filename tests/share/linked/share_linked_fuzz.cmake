# libFuzzer target over the NVK sidecar ticket decoder, the approval's rules and the linked
# texts. Built only by scripts/fuzz-smoke, in a clang build directory of its own; the files it
# drives hold no coroutine and are compiled in directly. Seeds in fuzz/corpus/nvk-sidecar.
option(TARVO_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(TARVO_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(linked_dir ${CMAKE_SOURCE_DIR}/TarvoShareExtension/ShareViewController/Linked)
  add_executable(fuzz_nvk_sidecar
    ${CMAKE_SOURCE_DIR}/fuzz/NVKSidecarFuzzer.cpp
    ${linked_dir}/NVKSidecarDecoder.cpp
    ${linked_dir}/LinkedDeploymentApproval.cpp
    ${linked_dir}/LinkedDeploymentText.cpp)
  target_link_libraries(fuzz_nvk_sidecar PRIVATE platform_fileattributes platform_filesystem platform_foundation)
  target_link_options(fuzz_nvk_sidecar PRIVATE -fsanitize=fuzzer)
endif()
