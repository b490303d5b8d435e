if(TARGET PIP_KARN7)
  ostan_add_test(test_workbook_e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorkbookEndToEndTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanhost adapteremu PkgConfig::LIBZIP LABELS integration)
  target_compile_definitions(test_workbook_e2e PRIVATE PROGRAM_DIR="${OSTAN_BIN_DIR}" OSTAN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_dependencies(test_workbook_e2e PIP_KARN7)
endif()
