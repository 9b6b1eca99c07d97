# The share's value types: drafts and their store through a real defaults suite, the choices,
# the artifact insight.
tarvo_test(share_model_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DraftTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareChoicesTests.cpp
  LIBS
    tarvo_share_model
    tarvo_test_support)
