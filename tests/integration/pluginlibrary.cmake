ostan_add_test(test_pluginlibrary
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PluginLibraryTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanplatform LABELS integration)
target_include_directories(test_pluginlibrary PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
target_compile_definitions(test_pluginlibrary PRIVATE OSTAN_FIXTURE_DIR="${CMAKE_BINARY_DIR}/tests/fixtures")
add_dependencies(test_pluginlibrary FakeFramework FakeFrameworkBadPicture)
