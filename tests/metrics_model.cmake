# The metrics model, the XML writer and the function metrics pass.
add_tarsk1_test(metfile_model_test SOURCES metfile_model_test.cpp LIBS tarsk1_metfile)
add_tarsk1_test(metfile_writer_test SOURCES metfile_writer_test.cpp LIBS tarsk1_metfile)
# The pass is built with a stand-in Halstead pass, so its tests see exactly
# the counts they hand it.
add_tarsk1_test(metgen_pass_test
  SOURCES metgen_pass_test.cpp ${CMAKE_SOURCE_DIR}/metrics/metgen.cpp
  LIBS tarsk1_frontend tarsk1_metfile tarsk1_support)
# Whole runs of the binary compared with hand-written metrics files.
add_tarsk1_test(metfile_golden_test SOURCES metfile_golden_test.cpp)
