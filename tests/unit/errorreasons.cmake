find_package(pugixml REQUIRED)
ostan_add_test(test_error_reasons
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ErrorReasonsTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanplatform PkgConfig::LIBZIP pugixml::pugixml LABELS unit)
