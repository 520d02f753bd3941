// Inspection of the identifier table's shape, for tests only: the current
// number of buckets (runs of four slots), and the longest run of slots
// that a lookup of an entry walks.
#pragma once

#include "support/alpha.h"

unsigned AlphaBucketCount(AlphaTable *table = nullptr);
unsigned AlphaLongestChain(AlphaTable *table = nullptr);
