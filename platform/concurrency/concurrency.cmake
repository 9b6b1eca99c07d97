tarvo_library(platform_concurrency
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BackgroundQueue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Cancellation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Deadline.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainQueue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Task.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TerminalEvents.cpp
    ${CMAKE_CURRENT_LIST_DIR}/detail/AsyncCondition.cpp
    ${CMAKE_CURRENT_LIST_DIR}/detail/ContextLife.cpp
  LIBS Boost::headers Threads::Threads platform_foundation)
