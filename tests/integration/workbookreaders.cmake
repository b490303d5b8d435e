ostan_add_test(test_workbook_readers
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorkbookReadersTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost LABELS integration)
target_compile_definitions(test_workbook_readers PRIVATE OSTAN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
