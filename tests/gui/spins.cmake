# Every spin of every library built into Plugins/, typed at both ends of its
# range. A new library is picked up without a change here.
get_property(OSTAN_PLUGINS GLOBAL PROPERTY OSTAN_PLUGINS)
string(REPLACE ";" "," OSTAN_PLUGIN_LIST "${OSTAN_PLUGINS}")
ostan_add_test(test_panel_spins
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PanelSpinsTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanframework LABELS gui)
target_include_directories(test_panel_spins PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
target_compile_definitions(test_panel_spins PRIVATE
  OSTAN_PLUGIN_LIBRARIES="${OSTAN_PLUGIN_LIST}" OSTAN_PLUGIN_DIR="${OSTAN_PLUGIN_DIR}")
if(OSTAN_PLUGINS)
  add_dependencies(test_panel_spins ${OSTAN_PLUGINS})
endif()
