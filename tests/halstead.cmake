# Tests of the Halstead pass.
add_tarsk1_test(halstead_counts_test SOURCES halstead_counts_test.cpp LIBS tarsk1_metrics)
add_tarsk1_test(halstead_failure_test SOURCES halstead_failure_test.cpp LIBS tarsk1_metrics GTest::gmock)
add_tarsk1_test(halstead_scale_test SOURCES halstead_scale_test.cpp LIBS tarsk1_metrics)
