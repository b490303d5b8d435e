ostan_add_test(test_workbook
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorkbookTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost PkgConfig::LIBZIP LABELS unit)
target_compile_definitions(test_workbook PRIVATE OSTAN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
