/* The example input of tarsk1: a few functions of different shapes.
   Preprocess it with "gcc -E shapes.c -o shapes.i" and analyse shapes.i. */
#include "shapes.h"

/* Manhattan distance between two points. */
int distance(struct point a, struct point b)
{
    int dx = a.x - b.x;
    int dy = a.y - b.y;
    return (dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy);
}

/* Index of the point nearest to the origin, or -1 for an empty set. */
int nearest(const struct point *points, int count)
{
    struct point origin = { 0, 0 };
    int best = -1;
    int bestDistance = 0;
    int i;

    for (i = 0; i < count; i++) {
        int d = distance(points[i], origin);
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

/* Counts the points of each quadrant into counts[0..3]. */
void quadrants(const struct point *points, int count, int counts[4])
{
    int i = 0;
    while (i < count) {
        switch ((points[i].x >= 0) * 2 + (points[i].y >= 0)) {
        case 0: counts[2]++; break;
        case 1: counts[1]++; break;
        case 2: counts[3]++; break;
        default: counts[0]++; break;
        }
        i++;
    }
}

int scaled(int value)
{
    return clamp(value * 10, -100, 100);
}
