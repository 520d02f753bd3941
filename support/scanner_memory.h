// The memory hooks of the generated scanners, included once at the end of
// each flex file (where yyalloc and its kin already carry the scanner's
// prefix): their buffers come from the allocation service, so running out of
// memory in a scanner ends as "No memory left" like anywhere else, never as a
// scanner's own "input buffer overflow".
#include "support/machine.h"

void *yyalloc(yy_size_t size) { return allocZeroed(size); }

void *yyrealloc(void *block, yy_size_t size) { return resizeBlock(block, size); }

void yyfree(void *block) { releaseBlock(block); }
