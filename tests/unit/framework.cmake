find_package(JPEG REQUIRED) # the picture tests encode their own JPEG data
ostan_add_test(test_framework
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PluginPacketTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/PluginChartTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ChartTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/PictureTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/PanelFormTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/ShownStateTest.cpp
          ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanframework JPEG::JPEG LABELS unit)
# SEVO1's profile finds TIRA5's tables as its library does.
target_include_directories(test_framework PRIVATE ${CMAKE_SOURCE_DIR}/plugins/TIRA5)
