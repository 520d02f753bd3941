// How much the generated scanners that read files take per refill, included
// in the prologue of each such flex file.
#pragma once

#include <climits>

// Each refill fills all the free room of the buffer. With flex's fixed read
// size a token or comment of n bytes is moved and rescanned n / 8192 times,
// which makes one long line quadratic; reading into the doubled room keeps
// it linear.
#define YY_READ_BUF_SIZE INT_MAX
