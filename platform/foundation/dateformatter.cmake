# Internet date-times for the JSON the programs exchange.
tarvo_library(platform_dateformatter
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DateFormatter.cpp
  LIBS platform_foundation)
