# libFuzzer target for the zip listing reader. Built only in scripts/fuzz-smoke's clang build
# directory; seeds in fuzz/corpus/zip-listing.
option(TARVO_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(TARVO_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_executable(fuzz_zip_listing_reader ${CMAKE_SOURCE_DIR}/fuzz/ZipListingReaderFuzzer.cpp)
  target_link_libraries(fuzz_zip_listing_reader PRIVATE tarvo_intake_zip)
  target_link_options(fuzz_zip_listing_reader PRIVATE -fsanitize=fuzzer)
endif()
