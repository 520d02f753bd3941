#include "count.h"

int main(void)
{
    const int values[] = {3, 14, 15, 92};
    return countAbove(values, 4, 10) == 3 ? 0 : 1;
}
