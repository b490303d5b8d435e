# The BRUN-3вм analyser library, loaded as the program loads it. The test
# links the framework only to read the library's chart model.
if(TARGET BRUN3vm)
  ostan_add_test(test_brun3vm
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Brun3vmPanelTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanframework LABELS gui)
  target_include_directories(test_brun3vm PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(test_brun3vm PRIVATE BRUN3VM_LIBRARY="$<TARGET_FILE:BRUN3vm>")
  add_dependencies(test_brun3vm BRUN3vm)
endif()
