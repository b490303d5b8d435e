ostan_add_test(test_forms_gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DebugFormTest.cpp ${CMAKE_CURRENT_LIST_DIR}/LogoFormTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/AboutBoxTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost LABELS gui)
