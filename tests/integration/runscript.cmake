# scripts/run.sh with the real program and emulator, as `make run` runs it
# on a machine without a display (Xvfb, x11vnc and xdotool from the bootstrap).
if(TARGET adapter-emulator AND TARGET ostan)
  foreach(case headless mistyped)
    add_test(NAME RunScript.${case}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/RunScriptTest.sh ${case} ${CMAKE_BINARY_DIR})
    set_tests_properties(RunScript.${case} PROPERTIES LABELS integration TIMEOUT 180 RESOURCE_LOCK xvfb-displayfd)
  endforeach()
endif()
