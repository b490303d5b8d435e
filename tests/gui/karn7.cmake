# The sensor block KARN-7 library, loaded as the program loads it. The test
# links the framework only to read the library's chart model.
if(TARGET PIP_KARN7)
  ostan_add_test(test_karn7
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Karn7PanelTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanframework LABELS gui)
  target_include_directories(test_karn7 PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(test_karn7 PRIVATE
    KARN7_LIBRARY="$<TARGET_FILE:PIP_KARN7>" KARN7_SOURCE_DIR="${CMAKE_SOURCE_DIR}/plugins/PIP_KARN7")
  add_dependencies(test_karn7 PIP_KARN7)
  add_test(NAME PIP_KARN7.ExportsOnlyTheEntryPoints
    COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:PIP_KARN7> -P ${CMAKE_SOURCE_DIR}/tests/fixtures/fixtures.cmake)
  set_tests_properties(PIP_KARN7.ExportsOnlyTheEntryPoints PROPERTIES LABELS integration)
endif()
