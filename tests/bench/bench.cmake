# Benchmarks: built when Google Benchmark is installed, run by scripts/bench.sh
# (`make bench`), never by ctest.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_rx ${CMAKE_CURRENT_LIST_DIR}/RxBench.cpp)
  target_link_libraries(bench_rx PRIVATE ostanhost benchmark::benchmark benchmark::benchmark_main)
  target_include_directories(bench_rx PRIVATE ${CMAKE_SOURCE_DIR}/tests/unit)
  set_target_properties(bench_rx PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
