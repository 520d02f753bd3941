// Inspection of the identifier table's shape, for tests only: the current
// number of buckets, the head of one bucket chain (follow next), and the
// longest chain.
#pragma once

#include "support/alpha.h"

unsigned AlphaBucketCount(AlphaTable *table = nullptr);
_AlphaType *AlphaBucketHead(unsigned bucket, AlphaTable *table = nullptr);
unsigned AlphaLongestChain(AlphaTable *table = nullptr);
