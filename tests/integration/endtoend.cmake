# The whole road with a real device library (EndToEndSupport.h): one test per
# library, <Name>EndToEndTest.cpp.
foreach(entry "PIP_KARN7 Karn7" "MOLT2 Molt2"
    "BRUN3vm Brun3vm"
    "PIP_KARN7E_8 Karn7e8"
    "MOLT2old Molt2Old"
    "TIRA5 Tira5"
    "PIP_KARN7E Karn7e"
    "PIP_DELM Delm")
  separate_arguments(entry)
  list(GET entry 0 lib)
  list(GET entry 1 name)
  if(TARGET ${lib})
    string(TOLOWER ${name} test)
    ostan_add_test(test_${test}_e2e
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/${name}EndToEndTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
      LIBS ostanhost adapteremu LABELS integration)
    target_compile_definitions(test_${test}_e2e PRIVATE PROGRAM_DIR="${OSTAN_BIN_DIR}")
    add_dependencies(test_${test}_e2e ${lib})
  endif()
endforeach()
