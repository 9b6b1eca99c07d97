# Zip CRC-32, folder zip writer and zip reader throughput; compare_zip.py sets them side by
# side with zlib, Info-ZIP zip and zipinfo (zlib's headers: Debian package zlib1g-dev).
find_package(ZLIB QUIET)
if(ZLIB_FOUND)
  tarvo_bench(intake_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/IntakeZipBench.cpp
    LIBS tarvo_intake_zip ZLIB::ZLIB)
  tarvo_bench(intake_zip_tool
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/IntakeZipTool.cpp
    LIBS tarvo_intake_zip ZLIB::ZLIB
    SMOKE crc 1)
endif()
