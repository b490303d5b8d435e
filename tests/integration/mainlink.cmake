if(TARGET adapteremu)
  ostan_add_test(test_mainlink
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainLinkTest.cpp ${CMAKE_SOURCE_DIR}/tests/TestMain.cpp
    LIBS ostanhost adapteremu LABELS integration)
endif()
