// The Halstead passes of a run, on a second thread: a pass starts as soon as
// its file is known to be measured and runs beside the parse; the metrics
// pass takes its outcome, messages and exit included, where it would have
// run the pass itself.
#pragma once

#include "metrics/halstead.h"

#include <string>

struct PassAhead;  // one pass, queued, under way or done

// Queues the pass over hostFile, taken byte for byte; path names the file in
// messages.
PassAhead *startPassAhead(const char *path, const std::string &hostFile);
const std::string &passHostFile(const PassAhead *pass);
// Waits for the pass and frees it; gives out its messages as if it had run
// here and now, ending the program where it ended. quiet tells whether it
// said anything.
HalsteadCounts finishPassAhead(PassAhead *pass, bool *quiet);
// Frees a pass whose outcome is not wanted: nothing of it is given out.
void dropPassAhead(PassAhead *pass);
// Lets the pass under way end, drops the queued ones and ends the thread.
void stopPassesAhead();
