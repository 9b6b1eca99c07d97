# What a misbehaving server costs the client (memory at its peak, time), act by act.
tarvo_bench(hostile_peer_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HostilePeerBench.cpp
  LIBS tarvo_cmdstream tarvo_transfer tarvo_peer platform_net platform_concurrency platform_foundation)
