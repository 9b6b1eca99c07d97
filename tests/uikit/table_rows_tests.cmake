# Long tables: cells only for the rows on screen.
tarvo_test(uikit_table_rows_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TableRowsTests.cpp
  LIBS platform_uikit platform_foundation)
