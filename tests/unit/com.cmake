ostan_add_test(test_com
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ComTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanplatform LABELS unit)
ostan_add_test(test_backinterface
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/BackInterfaceTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost LABELS unit)
