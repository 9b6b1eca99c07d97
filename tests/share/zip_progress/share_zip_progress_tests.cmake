# The screen while a shared folder is zipped, and the scan, the emit and the upload zipping it
# off the main queue.
tarvo_test(share_zip_progress_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ShareZipProgressTests.cpp
  LIBS tarvo_share_test_support
  TIMEOUT 180)
