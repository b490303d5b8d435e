if(TARGET adapter-emulator AND TARGET ostan)
  ostan_add_test(test_blackbox
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/BlackBoxTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanplatform LABELS integration)
  target_compile_definitions(test_blackbox PRIVATE
    OSTAN_BIN="$<TARGET_FILE:ostan>" EMULATOR_BIN="$<TARGET_FILE:adapter-emulator>")
  add_dependencies(test_blackbox ostan adapter-emulator)
endif()
