# Starting a recipe on the loopback server: job submission and the detached fallback.
tarvo_test(share_recipe_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PostUploadRecipeLaunchTests.cpp
  LIBS
    tarvo_share_recipe
    tarvo_intake_zip
    tarvo_peer
    tarvo_test_support
  TIMEOUT 120)
