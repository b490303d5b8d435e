# The automatic selection by device ID with the real TIRA6 and TIRA4
# libraries and the adapter emulator.
if(TARGET TIRA4 AND TARGET TIRA6 AND TARGET adapteremu)
  ostan_add_test(test_tira_e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/TiraEndToEndTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanhost adapteremu LABELS integration)
  target_compile_definitions(test_tira_e2e PRIVATE PROGRAM_DIR="${OSTAN_BIN_DIR}")
  add_dependencies(test_tira_e2e TIRA4 TIRA6)
endif()
