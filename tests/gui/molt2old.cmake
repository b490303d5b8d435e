# The early MOLT-2.1 analyser library, loaded as the program loads it. The
# test links the framework only to read the library's chart model.
if(TARGET MOLT2old)
  ostan_add_test(test_molt2old
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Molt2OldPanelTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanframework LABELS gui)
  target_include_directories(test_molt2old PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(test_molt2old PRIVATE MOLT2OLD_LIBRARY="$<TARGET_FILE:MOLT2old>")
  add_dependencies(test_molt2old MOLT2old)
endif()
