# The TIRA4 library, loaded as the program loads it. The test links the
# framework only to read the library's chart model.
if(TARGET TIRA4)
  ostan_add_test(test_tira4
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Tira4PanelTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanframework LABELS gui)
  target_include_directories(test_tira4 PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(test_tira4 PRIVATE TIRA4_LIBRARY="$<TARGET_FILE:TIRA4>")
  add_dependencies(test_tira4 TIRA4)
  add_test(NAME TIRA4.ExportsOnlyTheEntryPoints
    COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:TIRA4> -P ${CMAKE_SOURCE_DIR}/tests/fixtures/fixtures.cmake)
  set_tests_properties(TIRA4.ExportsOnlyTheEntryPoints PROPERTIES LABELS integration)
endif()
