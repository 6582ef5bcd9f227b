# The tests read pictures with the window tests' helpers.
target_include_directories(benchguiext_tests PRIVATE ${PROJECT_SOURCE_DIR}/platform/starview/tests)
