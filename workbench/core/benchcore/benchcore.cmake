# Test agent modules: one source built as several modules named by the agent file pattern, into one
# folder, with the recorder they share with the tests.
add_library(benchcore_test_recorder SHARED ${CMAKE_CURRENT_SOURCE_DIR}/tests/agents/AgentRecorder.cpp)
target_include_directories(benchcore_test_recorder PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/tests/agents)

set(_agent_dir ${CMAKE_CURRENT_BINARY_DIR}/testagents)
# Each: the letter after "VO110V", the agent's name, its definitions.
foreach(_agent
    "A;Alpha;AGENT_OPENS;AGENT_BUTTONS=2"
    "B;Beta;AGENT_OPENS;AGENT_BUTTONS=1"
    "C;Gamma;AGENT_OPENS;AGENT_NO_CLOSE"
    "N;Nobody"
    "X;Broken;AGENT_OPENS;AGENT_NO_OPEN")
  list(GET _agent 0 _letter)
  list(GET _agent 1 _name)
  set(_defs ${_agent})
  list(REMOVE_AT _defs 0 1)
  set(_target benchcore_test_agent_${_letter})
  add_library(${_target} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/tests/agents/TestAgentModule.cpp)
  target_link_libraries(${_target} PRIVATE benchcore benchcore_test_recorder)
  target_compile_definitions(${_target} PRIVATE AGENT_NAME="${_name}" AGENT_LETTER="${_letter}" ${_defs})
  set_target_properties(${_target} PROPERTIES PREFIX "" OUTPUT_NAME "VO110V${_letter}" SUFFIX ".agt"
                                              LIBRARY_OUTPUT_DIRECTORY ${_agent_dir})
  add_dependencies(benchcore_tests ${_target})
endforeach()

target_link_libraries(benchcore_tests PRIVATE benchcore_test_recorder w32test_support)
target_compile_definitions(benchcore_tests PRIVATE BENCHCORE_AGENT_DIR="${_agent_dir}")

# The test host program: the application with the application's own resources.
add_executable(benchcore_testhost ${CMAKE_CURRENT_SOURCE_DIR}/tests/host/BenchHost.cpp
                                  ${CMAKE_CURRENT_SOURCE_DIR}/tests/AppResources.cpp)
target_link_libraries(benchcore_testhost PRIVATE benchcore benchcore_test_recorder)
add_dependencies(benchcore_tests benchcore_testhost)
target_compile_definitions(benchcore_tests PRIVATE BENCHCORE_TESTHOST="$<TARGET_FILE:benchcore_testhost>")

# The test helpers that the tests of the document libraries share with the core's tests.
add_library(benchcore_test_support INTERFACE)
target_include_directories(benchcore_test_support INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/tests/support)
target_link_libraries(benchcore_tests PRIVATE benchcore_test_support)
