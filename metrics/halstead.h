// The Halstead pass: a lexical pass of its own over the unpreprocessed text of
// one source file, giving the four Halstead counts and six line counts.
#pragma once

#include <cstdint>

struct HalsteadCounts {
    int32_t n1, n2, N1, N2;
    int32_t Total, Src1, Src2, Comment1, Empty, Comment2;
};

// Scans a source file and fills counts, which must not be null. path is the
// file's program form (backslashes, any letter case), the name messages
// give; the text is read from hostFile taken byte for byte when one is
// given, else from path matched case-insensitively on the host. Checks that
// #elif, #else and #endif close an open section and warns about line
// markers and #line directives. Ends the program when the path is missing
// or unreadable (internal error), and after the pass when the run has
// counted any error so far (fatal).
void runHalsteadPass(const char *path, const char *hostFile, HalsteadCounts *counts);
