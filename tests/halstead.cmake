# Tests of the Halstead pass.
add_tarsk1_test(halstead_test
  SOURCES halstead_counts_test.cpp halstead_failure_test.cpp halstead_scale_test.cpp
  LIBS tarsk1_metrics GTest::gmock)
add_test(NAME halstead_scanner_never_backs_up
  COMMAND ${CMAKE_COMMAND} -DFLEX=${FLEX_EXECUTABLE} -DSCANNER=${PROJECT_SOURCE_DIR}/metrics/halstead.l
          -DWORK=${CMAKE_CURRENT_BINARY_DIR}/backing_up/halstead -P ${CMAKE_CURRENT_SOURCE_DIR}/tools/no_backing_up.cmake)
