ostan_add_test(test_registry
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RegistryTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RegistryModelTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/RegistryFormatTest.cpp ${CMAKE_CURRENT_LIST_DIR}/RegistryFileTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/SerialCommKeyTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanplatform LABELS unit)
target_compile_definitions(test_registry PRIVATE OSTAN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
