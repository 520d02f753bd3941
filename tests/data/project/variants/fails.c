#include "missing-header.h"
int fails(void) { return 0; }
