# The upload engine's 256 MiB upload into the upload sink, side by side with the simplest client
# of the same protocol (pipe_client.py, aiohttp) and the HTTP emit of the same file into the
# same sink, and with the engine into the loopback server.
tarvo_bench(cmdstream_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/UploadBench.cpp
  LIBS tarvo_cmdstream tarvo_transfer tarvo_intake_zip tarvo_peer tarvo_sink platform_net platform_concurrency
    platform_foundation)
if(TARGET cmdstream_bench)
  target_compile_definitions(cmdstream_bench PRIVATE
    TARVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}" TARVO_PYTHON="${TARVO_PYTHON}")
endif()
# Sharing a folder of about 1 GiB in a few thousand files (size given on the command line or
# by TARVO_FOLDER_BENCH_MIB): the share's folder zip and upload against zip -0 -r and the
# simplest client, into the upload sink.
tarvo_bench(folder_share_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FolderShareBench.cpp
  LIBS tarvo_cmdstream tarvo_intake_zip tarvo_sink platform_net platform_concurrency platform_foundation
  SMOKE 4 8)
if(TARGET folder_share_bench)
  target_compile_definitions(folder_share_bench PRIVATE
    TARVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}" TARVO_PYTHON="${TARVO_PYTHON}")
endif()
# One folder shared to three servers (scan, then an upload to each of three upload sinks):
# bytes written to the run's temporary folder and wall time with a copy for each use against
# the share's one copy, and what is left once the share's folder goes. Size on the command
# line or by TARVO_MULTI_SHARE_BENCH_MIB (small by default).
tarvo_bench(folder_multi_share_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FolderMultiShareBench.cpp
  LIBS tarvo_cmdstream tarvo_intake tarvo_sink platform_net platform_concurrency platform_foundation
  SMOKE 4 20)
