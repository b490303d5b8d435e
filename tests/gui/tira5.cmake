# The portable meters' libraries TIRA5 and SEVO1 (one panel, two profiles and
# sets of pictures), loaded as the program loads them. The test links the
# framework only to read the libraries' chart model and pictures.
if(TARGET TIRA5 AND TARGET SEVO1)
  ostan_add_test(test_tira5
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/Tira5PanelTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanframework LABELS gui)
  target_include_directories(test_tira5 PRIVATE ${CMAKE_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(test_tira5 PRIVATE
    TIRA5_LIBRARY="$<TARGET_FILE:TIRA5>" SEVO1_LIBRARY="$<TARGET_FILE:SEVO1>"
    PLUGINS_SOURCE_DIR="${CMAKE_SOURCE_DIR}/plugins")
  add_dependencies(test_tira5 TIRA5 SEVO1)
endif()
