# The browser tests run on a database of the kernel's own storage, which the kernel loads as a module.
if(TARGET benchadvanced_tests)
  target_link_libraries(benchadvanced_tests PRIVATE kxnative_testsupport)
  add_dependencies(benchadvanced_tests kxnative)
endif()
