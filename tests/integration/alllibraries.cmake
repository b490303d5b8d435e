# Every device library of the program's Plugins folder together: the scan, the
# device dialog and the automatic selection by device ID.
if(TARGET adapteremu)
  ostan_add_test(test_all_libraries
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/AllLibrariesTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanhost adapteremu LABELS integration)
  target_compile_definitions(test_all_libraries PRIVATE PROGRAM_DIR="${OSTAN_BIN_DIR}")
  foreach(lib PIP_KARN7 PIP_KARN7E PIP_KARN7E_8 PIP_DELM MOLT2 MOLT2old TIRA4 TIRA5 TIRA6 SEVO1 BRUN3vm)
    if(TARGET ${lib})
      add_dependencies(test_all_libraries ${lib})
    endif()
  endforeach()
endif()
