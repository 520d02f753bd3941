# The metrics model, the XML writer and the function metrics pass. The pass
# is built with a stand-in Halstead pass, so its tests see exactly the counts
# they hand it.
add_tarsk1_test(metrics_model_test
  SOURCES metfile_model_test.cpp metfile_writer_test.cpp metgen_pass_test.cpp ${CMAKE_SOURCE_DIR}/metrics/metgen.cpp
  LIBS tarsk1_frontend tarsk1_metfile tarsk1_support)
