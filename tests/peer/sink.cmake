# The upload sink: takes command-stream uploads and emits as fast as they come and checks them,
# so that benchmarks measure the client rather than the loopback server. A test and benchmark
# program only; it talks to sockets directly.
find_package(OpenSSL REQUIRED)
add_executable(cmdstream_sink ${CMAKE_CURRENT_LIST_DIR}/cmdstream_sink.cpp)
target_link_libraries(cmdstream_sink PRIVATE tarvo_intake_zip OpenSSL::Crypto nlohmann_json::nlohmann_json
  Threads::Threads)
tarvo_library(tarvo_sink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SinkServer.cpp
  LIBS platform_foundation tarvo_server_process)
target_compile_definitions(tarvo_sink PRIVATE TARVO_SINK_PROGRAM="$<TARGET_FILE:cmdstream_sink>")
add_dependencies(tarvo_sink cmdstream_sink)
