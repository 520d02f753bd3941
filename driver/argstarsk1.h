// The run settings of tarsk1 and the step that turns the decoded command
// line into them (through the tool's own command table).
#pragma once

struct CountedList;

struct RunSettings {
    CountedList *inputFiles;          // interned names, first appearance order
    const char *metricsDirectory;     // "." by default, null when given without a value
    CountedList *fileListDirectives;  // extended by the incl_std pragma during every parse
    CountedList *restrictPrefixes;
};

// False after the decoder has printed its report. May replace argc and argv
// with the expanded argument vector.
bool decodeOptions(int *argc, char ***argv, RunSettings *settings);
