ostan_add_test(test_registry
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RegistryTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanplatform LABELS unit)
