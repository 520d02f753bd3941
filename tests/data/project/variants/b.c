#include "inc/shared.h"
#include "y/util.h"
int b(int v)
{
    while (v > 10) v = v / 2;
    return clampShared(twiceY(v));
}
