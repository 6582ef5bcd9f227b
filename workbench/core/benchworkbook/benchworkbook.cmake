# The tests store projects in a real workbook database of the kernel's own storage, with the
# dictionary "workdict" that this library ships.
target_link_libraries(benchworkbook_tests PRIVATE kxnative_testsupport w32test_support benchcore_test_support)
add_dependencies(benchworkbook_tests kxnative)
target_compile_definitions(benchworkbook_tests PRIVATE
  KX_WORKDICT_DIR="${CMAKE_CURRENT_SOURCE_DIR}/dictionaries/workdict")
