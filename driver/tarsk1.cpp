// Entry point of tarsk1.
#include "driver/runsequence.h"

int main(int argc, char **argv) { return runSequence(argc, argv); }
