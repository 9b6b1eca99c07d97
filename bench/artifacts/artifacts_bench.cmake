tarvo_bench(artifacts_bench
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ArtifactRecognitionBench.cpp
  LIBS
    tarvo_artifacts)
