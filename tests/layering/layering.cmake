# The include layers, checked on the sources themselves: no build is needed for this test.
add_test(NAME Layering.IncludesFollowTheLayers
         COMMAND ${TARVO_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/check-layering ${CMAKE_SOURCE_DIR})
