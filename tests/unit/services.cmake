ostan_add_test(test_services
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ServicesTest.cpp ${CMAKE_CURRENT_LIST_DIR}/PaintPacerTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanplatform LABELS unit)
