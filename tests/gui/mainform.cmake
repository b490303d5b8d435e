ostan_add_test(test_mainform
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost ostancontrols LABELS gui)
ostan_add_test(test_settingsstore
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SettingsStoreTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
  LIBS ostanhost LABELS gui)
