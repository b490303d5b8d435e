ostan_add_test(test_special_files
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SpecialFilesTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanplatform LABELS unit)
