# The sensor block DELM library, loaded as the program loads it.
if(TARGET PIP_DELM)
  ostan_add_test(test_delm
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DelmPanelTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanframework LABELS gui)
  target_include_directories(test_delm PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(test_delm PRIVATE DELM_LIBRARY="$<TARGET_FILE:PIP_DELM>")
  add_dependencies(test_delm PIP_DELM)
  add_test(NAME PIP_DELM.ExportsOnlyTheEntryPoints
    COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:PIP_DELM> -P ${CMAKE_SOURCE_DIR}/tests/fixtures/fixtures.cmake)
  set_tests_properties(PIP_DELM.ExportsOnlyTheEntryPoints PROPERTIES LABELS integration)
endif()
