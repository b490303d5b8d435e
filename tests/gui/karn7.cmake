# The sensor block KARN-7 library, loaded as the program loads it; its
# pictures are compared with the JPEGs beside its sources.
ostan_add_panel_test(PIP_KARN7 Karn7 ENTRY_POINTS)
if(TARGET test_karn7)
  target_compile_definitions(test_karn7 PRIVATE KARN7_SOURCE_DIR="${CMAKE_SOURCE_DIR}/plugins/PIP_KARN7")
endif()
