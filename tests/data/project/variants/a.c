#include "inc/shared.h"
#include "x/util.h"
int a(int v) { return clampShared(twiceX(v)); }
