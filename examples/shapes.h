/* Shapes of the example: a header whose inline helper is measured too. */
#ifndef SHAPES_H
#define SHAPES_H

struct point {
    int x;
    int y;
};

static int clamp(int value, int low, int high)
{
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

#endif
