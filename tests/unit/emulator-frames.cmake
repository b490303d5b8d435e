ostan_add_test(test_emulator_frames
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EmulatorFramesTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS adapteremu LABELS unit)
