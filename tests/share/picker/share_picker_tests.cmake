# The remote folder picker: its rules as tables, and the picker in the share screen against the
# loopback server.
tarvo_test(share_picker_rules_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FolderPickerRulesTests.cpp
  LIBS tarvo_share_picker_rules)

tarvo_test(share_picker_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FolderPickerTests.cpp
  LIBS tarvo_share_test_support)

# tarvo-share with the picker against the loopback server.
tarvo_test(share_picker_program_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FolderPickerProgramTests.cpp
  LIBS tarvo_peer tarvo_test_support tarvo_share_program_fixture)
add_dependencies(share_picker_program_tests tarvo-share tarvo-defaults)
