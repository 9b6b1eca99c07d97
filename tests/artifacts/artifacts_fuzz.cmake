# libFuzzer targets for the recommendation-reply decoder and the project signature builder.
# Built only by scripts/fuzz-smoke, in a clang build directory of its own.
option(TARVO_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(TARVO_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  foreach(pair "fuzz_artifact_recommendation:ArtifactRecommendationFuzzer"
               "fuzz_artifact_signature:ArtifactSignatureFuzzer")
    string(REPLACE ":" ";" parts "${pair}")
    list(GET parts 0 target)
    list(GET parts 1 source)
    add_executable(${target} ${CMAKE_SOURCE_DIR}/fuzz/${source}.cpp)
    target_link_libraries(${target} PRIVATE tarvo_artifacts)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()
