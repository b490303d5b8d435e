# The sensor block KARN-7E/8 library, loaded as the program loads it. The
# test links the framework only to read the library's chart model.
if(TARGET PIP_KARN7E_8)
  ostan_add_test(test_karn7e8
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Karn7e8PanelTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanframework LABELS gui)
  target_include_directories(test_karn7e8 PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(test_karn7e8 PRIVATE KARN7E8_LIBRARY="$<TARGET_FILE:PIP_KARN7E_8>")
  add_dependencies(test_karn7e8 PIP_KARN7E_8)
endif()
