# Appending a row to large workbooks (see WorkbookBench.cpp); run by `make bench`.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_workbook ${CMAKE_CURRENT_LIST_DIR}/WorkbookBench.cpp)
  target_link_libraries(bench_workbook PRIVATE ostanhost PkgConfig::LIBZIP benchmark::benchmark GTest::gtest)
  target_include_directories(bench_workbook PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(bench_workbook PRIVATE OSTAN_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                             OSTAN_BENCH_DIR="${CMAKE_BINARY_DIR}/bench")
  set_target_properties(bench_workbook PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
