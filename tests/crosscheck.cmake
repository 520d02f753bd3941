# Cross-check on the example programs of the machine: VG against pmccabe,
# line counts against cloc. Skipped (exit 77) where neither examples nor the
# two tools are found.
find_program(TARSK1_PYTHON3 python3 REQUIRED)
add_test(NAME crosscheck_real_code
  COMMAND ${TARSK1_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/tools/crosscheck.py $<TARGET_FILE:tarsk1> ${CMAKE_SOURCE_DIR})
set_tests_properties(crosscheck_real_code PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)

# Whole runs of the binary compared with hand-written metrics files.
add_tarsk1_test(e2e_test SOURCES e2e_metrics_test.cpp metfile_golden_test.cpp)

# The Halstead pass alone, for the pipeline benchmark.
add_executable(halsteadpass ${CMAKE_CURRENT_LIST_DIR}/tools/halsteadpass.cpp)
target_link_libraries(halsteadpass PRIVATE tarsk1_metrics)
