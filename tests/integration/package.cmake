# The Debian package of the built tree, unpacked into a scratch folder and run
# against its own emulator (cpack, dpkg, Xvfb and xdotool from the bootstrap).
if(TARGET adapter-emulator AND TARGET ostan)
  set(package_mode)
  if(CMAKE_CXX_FLAGS MATCHES "sanitize")
    set(package_mode sanitized)
  endif()
  add_test(NAME Package.unpacked
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/PackageTest.sh ${CMAKE_BINARY_DIR} ${package_mode})
  # Xvfb -displayfd takes the lowest free display: a run script test that
  # checks its own display is gone must not see this one take the number.
  set_tests_properties(Package.unpacked PROPERTIES LABELS integration TIMEOUT 300 SKIP_RETURN_CODE 77
    RESOURCE_LOCK xvfb-displayfd)
endif()
