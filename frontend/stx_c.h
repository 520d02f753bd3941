// Parsing of one preprocessed C file into its syntax tree.
#pragma once

#include <cstdint>

struct SyntaxNode;
struct CountedList;

// Returns the syntax-error count, or 1 when the parse aborted without one.
// With outTree the root is stored there (null after an abort); otherwise the
// tree is freed. excludedDirs: null-terminated array of directory prefixes, or null.
uint16_t ParseFile(const char *path, bool isDefinitionFile, SyntaxNode **outTree, CountedList **fileList,
                   const char *const *excludedDirs);
