// The Halstead pass: a lexical pass of its own over the unpreprocessed text of
// one source file, giving the four Halstead counts and six line counts.
#pragma once

#include <cstdint>

struct HalsteadCounts {
    int32_t n1, n2, N1, N2;
    int32_t Total, Src1, Src2, Comment1, Empty, Comment2;
};

// Scans the file at path (program form: backslashes, any letter case) and
// fills counts, which must not be null. Checks that #elif, #else and #endif
// close an open section and warns about line markers and #line directives.
// Ends the program when the path is missing or unreadable (internal error),
// and after the pass when the run has counted any error so far (fatal).
void runHalsteadPass(const char *path, HalsteadCounts *counts);
