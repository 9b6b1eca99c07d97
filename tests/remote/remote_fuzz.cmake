# libFuzzer targets over the servers' REST replies: the directory listing (and the folder
# picker's rules that show it), the job submission's reply and the receptionist's reply. Built
# only by scripts/fuzz-smoke, in a clang build directory of its own; the reply files hold no
# coroutine and are compiled in directly, since the libraries around them do. Seeds in
# fuzz/corpus/dir-listing, job-reply and receptionist-reply.
option(TARVO_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(TARVO_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(remote_dir ${CMAKE_SOURCE_DIR}/TarvoShareExtension/Remote)
  set(picker_dir ${CMAKE_SOURCE_DIR}/TarvoShareExtension/ShareViewController/Picker)
  set(reply_sources ${remote_dir}/RemoteReply.cpp ${remote_dir}/RemoteFailure.cpp ${remote_dir}/TransportError.cpp)

  add_executable(fuzz_dir_listing ${CMAKE_SOURCE_DIR}/fuzz/DirListingFuzzer.cpp ${reply_sources}
    ${remote_dir}/DirListResponse.cpp
    ${picker_dir}/RemoteFolderPath.cpp
    ${picker_dir}/FolderSortMode.cpp
    ${picker_dir}/FolderListing.cpp
    ${picker_dir}/FolderSubtitle.cpp)
  target_link_libraries(fuzz_dir_listing PRIVATE platform_textstyles platform_foundation)

  add_executable(fuzz_job_reply ${CMAKE_SOURCE_DIR}/fuzz/JobReplyFuzzer.cpp ${reply_sources}
    ${remote_dir}/ShareJobSubmitResponse.cpp)
  target_link_libraries(fuzz_job_reply PRIVATE platform_foundation)

  add_executable(fuzz_receptionist_reply ${CMAKE_SOURCE_DIR}/fuzz/ReceptionistReplyFuzzer.cpp
    ${CMAKE_SOURCE_DIR}/Core/ReceptionistReply.cpp)
  target_link_libraries(fuzz_receptionist_reply PRIVATE platform_foundation)

  foreach(target fuzz_dir_listing fuzz_job_reply fuzz_receptionist_reply)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()
