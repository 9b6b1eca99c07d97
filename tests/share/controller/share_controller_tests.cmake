# The controller in a window, driven as a person would.
tarvo_test(share_controller_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ShareStartupTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareBindingTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareLayoutTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareKeyboardTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareSendTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareBadSettingsTests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareFileAPITests.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ShareTeardownTests.cpp
  LIBS tarvo_share_test_support SQLite::SQLite3)
