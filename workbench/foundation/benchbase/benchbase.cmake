# The stream probe: a program that loads a library built on benchbase, so that the first and the
# last stream of a process are seen (the test program itself already holds the library's streams).
add_library(benchbase_wostream_probemod SHARED ${CMAKE_CURRENT_SOURCE_DIR}/tests/probe/WOStreamProbeModule.cpp)
target_link_libraries(benchbase_wostream_probemod PRIVATE benchbase)
add_executable(benchbase_wostream_probe ${CMAKE_CURRENT_SOURCE_DIR}/tests/probe/WOStreamProbe.cpp)
target_link_libraries(benchbase_wostream_probe PRIVATE win32)
add_dependencies(benchbase_tests benchbase_wostream_probe benchbase_wostream_probemod)
target_compile_definitions(benchbase_tests PRIVATE
  WOSTREAM_PROBE="$<TARGET_FILE:benchbase_wostream_probe>"
  WOSTREAM_PROBE_MODULE="$<TARGET_FILE:benchbase_wostream_probemod>")
