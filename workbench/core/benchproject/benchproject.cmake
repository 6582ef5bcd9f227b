# The tests keep projects in real workbook databases of the kernel's own storage (the workbook
# library's test site).
target_link_libraries(benchproject_tests PRIVATE kxnative_testsupport w32test_support benchcore_test_support)
add_dependencies(benchproject_tests kxnative)
target_include_directories(benchproject_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/../benchworkbook/tests)
target_compile_definitions(benchproject_tests PRIVATE
  KX_WORKDICT_DIR="${CMAKE_CURRENT_SOURCE_DIR}/../benchworkbook/dictionaries/workdict")
