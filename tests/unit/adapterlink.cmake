ostan_add_test(test_adapterlink
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AdapterTransmitTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/AdapterReceiveTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/LinkSupervisionTest.cpp
          ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost LABELS unit)
target_include_directories(test_adapterlink PRIVATE ${CMAKE_CURRENT_LIST_DIR})
