// Function metrics from the syntax tree (VG, Statements, NestedLevel), grouped
// by source file and merged into the run's metrics-file list.
#pragma once

struct SyntaxNode;
struct CountedList;
struct MetFileEntry;

// Measures the function definitions among the root's children and those
// handed to measureDefinition since the last call, then merges the files.
void computeFileMetrics(const SyntaxNode *root, MetFileEntry **runList, CountedList *restrictPrefixes,
                        CountedList *fileListDirectives);
// Reads a top-level definition (a chain) as the parser completes it: its
// functions are measured at once, and the parser then releases it, so that
// an input never holds more than one definition's tree.
void measureDefinition(const SyntaxNode *definition);

// Forgets the file counts kept for the run (for a run that starts afresh).
void forgetFileCounts();

struct FunctionMetrics {
    int vg, statements, nestedLevel;
};
FunctionMetrics measureFunction(const SyntaxNode *function);
