# tarsk1-project: its pure logic in-process, and end-to-end cases on real
# builds of the corpus projects (copied into the build tree by the setup
# fixture) through tests/tools/project_e2e.py.
add_tarsk1_test(project_logic_test SOURCES project_logic_test.cpp LIBS tarsk1_project)

set(project_e2e ${CMAKE_CURRENT_LIST_DIR}/tools/project_e2e.py)
add_test(NAME project_setup COMMAND /usr/bin/python3 ${project_e2e} ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR} setup)
set_tests_properties(project_setup PROPERTIES FIXTURES_SETUP project_corpus TIMEOUT 300)
foreach(case merge incremental failures bad_inputs gates shards sarif html meson)
  add_test(NAME project_${case} COMMAND /usr/bin/python3 ${project_e2e} ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR} ${case})
  set_tests_properties(project_${case} PROPERTIES FIXTURES_REQUIRED project_corpus TIMEOUT 300)
endforeach()
