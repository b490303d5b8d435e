if(TARGET PIP_KARN7E AND TARGET PIP_DELM)
  ostan_add_test(test_sensorblock_e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SensorBlockEndToEndTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanhost adapteremu LABELS integration)
  target_compile_definitions(test_sensorblock_e2e PRIVATE PROGRAM_DIR="${OSTAN_BIN_DIR}")
  add_dependencies(test_sensorblock_e2e PIP_KARN7E PIP_DELM)
endif()
