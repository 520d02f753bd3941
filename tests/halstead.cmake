# Tests of the Halstead pass.
add_tarsk1_test(halstead_test
  SOURCES halstead_counts_test.cpp halstead_failure_test.cpp halstead_scale_test.cpp
  LIBS tarsk1_metrics GTest::gmock)
