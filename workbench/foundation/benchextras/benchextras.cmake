# The tests use the window tests' helpers.
target_include_directories(benchextras_tests PRIVATE ${PROJECT_SOURCE_DIR}/platform/starview/tests)
