# The tests read the diagnostic streams through the foundation's stream capture.
if(TARGET benchviews_tests)
  target_include_directories(benchviews_tests PRIVATE ${CMAKE_SOURCE_DIR}/workbench/foundation/benchbase/tests)
  target_link_libraries(benchviews_tests PRIVATE win32)
endif()
