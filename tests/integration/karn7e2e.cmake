if(TARGET PIP_KARN7)
  ostan_add_test(test_karn7_e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Karn7EndToEndTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanhost adapteremu LABELS integration)
  target_compile_definitions(test_karn7_e2e PRIVATE PROGRAM_DIR="${OSTAN_BIN_DIR}")
  add_dependencies(test_karn7_e2e PIP_KARN7)
endif()
