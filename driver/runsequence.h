// The run sequence of tarsk1, from start-up to the return of 0.
#pragma once

int runSequence(int argc, char **argv);
