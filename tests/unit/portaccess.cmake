ostan_add_test(test_port_access
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PortAccessTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost LABELS unit)
