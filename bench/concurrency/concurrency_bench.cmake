# Overheads of the task runtime (start, cross-executor await, cancellation latency, race, group).
tarvo_bench(concurrency_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TaskRuntimeBench.cpp
  LIBS platform_concurrency)
