# The TIRA6 library, loaded as the program loads it. The test links the
# framework only to read the library's chart model.
if(TARGET TIRA6)
  ostan_add_test(test_tira6
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Tira6PanelTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanframework LABELS gui)
  target_include_directories(test_tira6 PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(test_tira6 PRIVATE TIRA6_LIBRARY="$<TARGET_FILE:TIRA6>")
  add_dependencies(test_tira6 TIRA6)
  add_test(NAME TIRA6.ExportsOnlyTheEntryPoints
    COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:TIRA6> -P ${CMAKE_SOURCE_DIR}/tests/fixtures/fixtures.cmake)
  set_tests_properties(TIRA6.ExportsOnlyTheEntryPoints PROPERTIES LABELS integration)
endif()
