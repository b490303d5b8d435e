ostan_add_test(test_forms_logic
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/LogLinesTest.cpp ${CMAKE_CURRENT_LIST_DIR}/VersionTest.cpp
          ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost LABELS unit)
