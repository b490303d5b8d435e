ostan_add_test(test_emulator
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EmulatorTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS adapteremu LABELS integration)
target_compile_definitions(test_emulator PRIVATE ADAPTER_EMULATOR_BIN="$<TARGET_FILE:adapter-emulator>")
add_dependencies(test_emulator adapter-emulator)
