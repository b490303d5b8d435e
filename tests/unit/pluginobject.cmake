ostan_add_test(test_pluginobject
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PluginObjectTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanframework LABELS unit)
target_include_directories(test_pluginobject PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
