// The generic, table-driven command decoder: expansion of the raw argument
// vector (environment references and option files), matching of every
// argument against a static command table, value conversion and checks, the
// numbered error reports, and the queries that read the decoded values.
#pragma once

#include <cstdint>

// Names in a table are at most 20 characters.
enum { COMMAND_NAME_SIZE = 21 };

struct ValueNode {
    const char *text;  // 'C': points into the decoder's copy of the argument
    long number;       // 'I' and 'L'
    ValueNode *next;
};

struct AllowedValue {
    char name[COMMAND_NAME_SIZE];
    int32_t chosen;
    AllowedValue *next;
};

struct ArgumentDescriptor {
    char name[COMMAND_NAME_SIZE];
    char kind;        // 'C' text, 'I' integer, 'L' long integer
    char list;        // 'Y' several values, 'N' one value
    int32_t minimum;  // 'C': length in bytes; 'I', 'L': value
    int32_t maximum;
    int32_t optional;  // a positional argument that may be missing
    ArgumentDescriptor *next;
    ValueNode *values;     // written by the decoder, in order of appearance
    ValueNode *lastValue;  // the decoder's append point, so long lists stay linear
};

struct OptionDescriptor {
    char name[COMMAND_NAME_SIZE];
    int32_t valueRequired;
    ArgumentDescriptor *argument;  // null: the option takes no value
    int32_t state;                 // 0 absent, 1 present, -1 negated (written by the decoder)
    int32_t negatable;             // "no" + name is accepted too
    int32_t preset;                // present even when absent from the command line
    int32_t defaultIndex;          // 1-based into allowed; 0 for none
    AllowedValue *allowed;
    OptionDescriptor *next;
};

struct ConflictPair {
    OptionDescriptor *first;
    OptionDescriptor *second;
    ConflictPair *next;
};

struct CommandTable {
    char name[COMMAND_NAME_SIZE];
    char optionPrefix;
    char valueSeparator;
    char listSeparator;
    ArgumentDescriptor *positionals;
    OptionDescriptor *options;
    ConflictPair *conflicts;
    const char *usage;
};

// The table that the following calls work on.
void selectCommandTable(CommandTable *table);

// 0 on success (argc and argv then name the new vector), -1 after a report.
int expandArguments(int *argc, char ***argv);
int decodeCommand(int argc, char **argv);

int optionState(const char *name);
const ValueNode *optionValue(int position, int n);
const ValueNode *positionalValue(int k, int n);

// Frees every block of the decoder and clears the table's states and values,
// so the table can decode again.
void releaseCommandMemory();
