# Loading the settings store (run by scripts/bench.sh, never by ctest).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_registry ${CMAKE_CURRENT_LIST_DIR}/RegistryBench.cpp)
  target_link_libraries(bench_registry PRIVATE ostanplatform benchmark::benchmark)
  target_include_directories(bench_registry PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  set_target_properties(bench_registry PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
