ostan_add_test(test_numcontrols
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/NumFormatTest.cpp ${CMAKE_CURRENT_LIST_DIR}/NumEditModelTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/NumStepperTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostancontrols ostanplatform LABELS unit)
