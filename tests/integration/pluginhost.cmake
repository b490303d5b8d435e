# The plug-in host against fake device libraries: the scan and the device
# choice dialog; activation, routing and automatic selection with the main
# window and the adapter emulator.
ostan_add_test(test_pluginscan
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PluginScanTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost LABELS integration)
target_include_directories(test_pluginscan PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
target_compile_definitions(test_pluginscan PRIVATE OSTAN_FIXTURE_DIR="${CMAKE_BINARY_DIR}/tests/fixtures")
add_dependencies(test_pluginscan ${OSTAN_FAKE_DEVICES} FakePluginNoInterface)

if(TARGET adapteremu)
  ostan_add_test(test_pluginhost
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PluginHostTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanhost adapteremu LABELS integration)
  target_include_directories(test_pluginhost PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(test_pluginhost PRIVATE OSTAN_FIXTURE_DIR="${CMAKE_BINARY_DIR}/tests/fixtures")
  add_dependencies(test_pluginhost ${OSTAN_FAKE_DEVICES})
endif()
