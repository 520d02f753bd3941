#include "sub/s.h"
int r(void) { return 1; }
