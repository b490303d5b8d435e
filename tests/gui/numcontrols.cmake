ostan_add_test(test_numcontrols_gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/NumEditTest.cpp ${CMAKE_CURRENT_LIST_DIR}/NumSpinTest.cpp
          ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostancontrols ostanplatform LABELS gui)
