# The library exports its own classes, not the inline functions (the standard library's templates
# among them) it instantiates: libraries loaded with it would bind to those copies and keep it
# loaded after its last user unloads it.
target_compile_options(benchbase PRIVATE -fvisibility-inlines-hidden)

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

# The child program the process tests start (the Win32 stand-in's test child).
add_dependencies(benchbase_tests w32child)
target_compile_definitions(benchbase_tests PRIVATE W32CHILD="$<TARGET_FILE:w32child>")
