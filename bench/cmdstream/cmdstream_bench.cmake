# The upload engine's 256 MiB upload to the loopback server, side by side with the same frames
# piped through the same server by the simplest client (pipe_client.py, aiohttp).
tarvo_bench(cmdstream_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/UploadBench.cpp
  LIBS tarvo_cmdstream tarvo_peer platform_concurrency platform_foundation)
if(TARGET cmdstream_bench)
  target_compile_definitions(cmdstream_bench PRIVATE
    TARVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}" TARVO_PYTHON="${TARVO_PYTHON}")
endif()
