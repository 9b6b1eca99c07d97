# libFuzzer target over a push handed to the notification service. Built only by
# scripts/fuzz-smoke, in a clang build directory of its own. Seeds in fuzz/corpus/push-payload.
option(TARVO_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(TARVO_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_executable(fuzz_push_payload ${CMAKE_SOURCE_DIR}/fuzz/PushPayloadFuzzer.cpp)
  target_link_libraries(fuzz_push_payload PRIVATE tarvo_notification platform_usernotifications platform_regex
                        platform_foundation)
  target_link_options(fuzz_push_payload PRIVATE -fsanitize=fuzzer)
endif()
