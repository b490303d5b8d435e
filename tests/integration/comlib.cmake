ostan_add_test(test_comlib
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ComLibTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost LABELS integration)
target_include_directories(test_comlib PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
target_compile_definitions(test_comlib PRIVATE OSTAN_FIXTURE_DIR="${CMAKE_BINARY_DIR}/tests/fixtures")
add_dependencies(test_comlib FakePlugin FakePluginNoInterface FakePluginRegFails FakePluginNoEntry)
