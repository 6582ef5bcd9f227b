# The tests open real databases of the kernel's own storage with the kernel's sample dictionary.
target_link_libraries(benchdatabase_tests PRIVATE kxnative_testsupport w32test_support benchcore_test_support)
add_dependencies(benchdatabase_tests kxnative)
target_compile_definitions(benchdatabase_tests PRIVATE
  KX_SAMPLE_DICT_DIR="${PROJECT_SOURCE_DIR}/platform/kernel/kxkernel/samples/sample")
