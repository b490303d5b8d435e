# The sensor block KARN-7E library, loaded as the program loads it.
if(TARGET PIP_KARN7E)
  ostan_add_test(test_karn7e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Karn7ePanelTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanframework LABELS gui)
  target_include_directories(test_karn7e PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(test_karn7e PRIVATE KARN7E_LIBRARY="$<TARGET_FILE:PIP_KARN7E>")
  add_dependencies(test_karn7e PIP_KARN7E)
  add_test(NAME PIP_KARN7E.ExportsOnlyTheEntryPoints
    COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:PIP_KARN7E> -P ${CMAKE_SOURCE_DIR}/tests/fixtures/fixtures.cmake)
  set_tests_properties(PIP_KARN7E.ExportsOnlyTheEntryPoints PROPERTIES LABELS integration)
endif()
