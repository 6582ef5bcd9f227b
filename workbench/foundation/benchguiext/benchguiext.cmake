# The tests read pictures with the window tests' helpers.
target_include_directories(benchguiext_tests PRIVATE ${PROJECT_SOURCE_DIR}/platform/starview/tests)

# The test of the value-class members that every workbench library exports loads each library.
set(_wb_libraries benchbase benchguiext benchwidgets benchextras benchviews benchcore benchworkbook benchproject
                  benchdatabase benchadvanced)
set(_wb_files "")
foreach(_l ${_wb_libraries})
  list(APPEND _wb_files "\"$<TARGET_FILE:${_l}>\"")
endforeach()
list(JOIN _wb_files "," _wb_files)
add_dependencies(benchguiext_tests ${_wb_libraries})
target_compile_definitions(benchguiext_tests PRIVATE "WORKBENCH_LIBRARIES=${_wb_files}")
