# The emit upload of a large file to the loopback server.
tarvo_bench(remote_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EmitUploadBench.cpp
  LIBS tarvo_transfer tarvo_peer platform_net platform_concurrency platform_foundation)
