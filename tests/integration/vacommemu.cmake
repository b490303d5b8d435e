ostan_add_test(test_vacomm_emulator
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/VaCommEmulatorTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS adapteremu LABELS integration)
