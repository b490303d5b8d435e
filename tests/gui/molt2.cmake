# The MOLT-2.1 analyser library, loaded as the program loads it. The test
# links the framework only to read the library's chart model.
if(TARGET MOLT2)
  ostan_add_test(test_molt2
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Molt2PanelTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanframework LABELS gui)
  target_include_directories(test_molt2 PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(test_molt2 PRIVATE MOLT2_LIBRARY="$<TARGET_FILE:MOLT2>")
  add_dependencies(test_molt2 MOLT2)
endif()
