# Benchmarks are programs of their own, not ctests: scripts/bench.sh runs
# everything in build/bench/.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_debuglog ${CMAKE_CURRENT_LIST_DIR}/DebugLogBench.cpp)
  target_link_libraries(bench_debuglog PRIVATE ostanhost benchmark::benchmark)
  set_target_properties(bench_debuglog PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
