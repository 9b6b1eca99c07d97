# The share controller's rules without a screen: shell lines (run by bash), script selection and
# staleness, job payloads, deep links, progress texts.
tarvo_test(share_rules_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PostUploadShellLineTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShellCandidateSelectionTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RecipeStalenessTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PostUploadJobTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeepLinksTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UploadProgressTests.cpp
  LIBS
    tarvo_share_rules
    tarvo_intake_zip
    tarvo_test_support)

