ostan_add_test(test_vacomm
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/VaCommTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanplatform LABELS integration)
