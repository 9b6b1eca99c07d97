# The upload engine's frames, and its uploads into the upload sink the benchmarks use.
tarvo_test(upload_sink_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/UploadSinkTests.cpp
  LIBS tarvo_cmdstream tarvo_peer tarvo_sink tarvo_intake_zip
  TIMEOUT 120)
