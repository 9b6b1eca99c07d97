# The README's server section, followed word for word (tests/readme/server_setup.sh).
add_test(NAME Readme.ServerSetupWorksAsWritten
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/server_setup.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(Readme.ServerSetupWorksAsWritten PROPERTIES
  TIMEOUT 120
  SKIP_RETURN_CODE 77
  RESOURCE_LOCK loopback_port_8765)
