#include "inc/shared.h"
int c(int v) { return v && clampShared(v); }
