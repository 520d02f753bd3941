// The process-wide state of one run (message counts, identifier table,
// accept tables, pragma and parser caches, file counts, decoder memory, node
// storage), taken and released in one place: by the run sequence for the one
// run of the process and by the fuzz harness for each of its inputs.
#pragma once

struct RunSettings;

// Starts a run from nothing: no counted messages, an empty identifier table
// and empty accept tables.
void beginRun();
// Releases everything a run holds, the settings' lists included, so that a
// next beginRun starts as the first did. Trees must be freed before.
void endRun(RunSettings &settings);
