// The command table of tarsk1 and the step that turns the decoded command
// line into the run settings.
#pragma once

struct CountedList;
struct CommandTable;

struct RunSettings {
    CountedList *inputFiles;          // interned names, first appearance order
    const char *metricsDirectory;     // "." by default, null when given without a value
    CountedList *fileListDirectives;  // extended by the incl_std pragma during every parse
    CountedList *restrictPrefixes;
};

// False after the decoder has printed its report. May replace argc and argv
// with the expanded argument vector.
bool decodeOptions(int *argc, char ***argv, RunSettings *settings);

// The tool's own command table, for the decoder queries.
CommandTable *toolCommandTable();
