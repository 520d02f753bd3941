// The standard definition file, parsed once per run: what its first parse
// leaves is kept and put back before each later input.
#pragma once

#include <cstdint>

struct CountedList;

// ParseFile on the definition file, or, when a parse of it earlier in the run
// left state that can be put back exactly, that state put back (result 0).
uint16_t ParseDefinitionFile(const char *path, CountedList **fileList);
// Drops what was kept: at the start and the end of a run.
void ForgetDefinitionFile();
