# rog_add_test(<name> SOURCES <files...> LIBS <targets...>)
# Builds one GoogleTest executable and registers its cases with CTest.
function(rog_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "ROG_LIB_DIR=${CMAKE_LIBRARY_OUTPUT_DIRECTORY}"
    DISCOVERY_TIMEOUT 60)
endfunction()

# rog_add_subdirs(<dir...>): adds each folder that has a CMakeLists.txt.
macro(rog_add_subdirs)
  foreach(_d ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_d}/CMakeLists.txt)
      add_subdirectory(${_d})
    endif()
  endforeach()
endmacro()
