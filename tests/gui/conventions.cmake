# Every library built into Plugins/, and the program's windows: texts that
# fit, accessible names, spins that work at both ends of their ranges. The
# framework is linked only to lay out the panels' charts. A new library is
# picked up without a change here.
get_property(OSTAN_PLUGINS GLOBAL PROPERTY OSTAN_PLUGINS)
string(REPLACE ";" "," OSTAN_PLUGIN_LIST "${OSTAN_PLUGINS}")
ostan_add_test(test_conventions
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PanelConventionsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/PanelSpinsTest.cpp
          ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost ostanframework LABELS gui)
target_include_directories(test_conventions PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
target_compile_definitions(test_conventions PRIVATE
  OSTAN_PLUGIN_LIBRARIES="${OSTAN_PLUGIN_LIST}" OSTAN_PLUGIN_DIR="${OSTAN_PLUGIN_DIR}")
if(OSTAN_PLUGINS)
  add_dependencies(test_conventions ${OSTAN_PLUGINS})
endif()
