// The Halstead pass: a lexical pass of its own over the unpreprocessed text of
// one source file, giving the four Halstead counts and six line counts.
#pragma once

#include <cstdint>

struct HalsteadCounts {
    int32_t n1, n2, N1, N2;
    int32_t Total, Src1, Src2, Comment1, Empty, Comment2;
};

void runHalsteadPass(const char *path, HalsteadCounts *counts);
