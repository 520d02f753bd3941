#include "count.h"

int countAbove(const int *values, int n, int limit)
{
    int count = 0;
    for (int i = 0; i < n; i++)
        if (isAbove(values[i], limit)) count++;
    return count;
}
