ostan_add_test(test_workbook_layers
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorkbookPackageTest.cpp ${CMAKE_CURRENT_LIST_DIR}/WorkbookSheetTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/WorkbookStylesTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanplatform PkgConfig::LIBZIP pugixml::pugixml LABELS unit)
