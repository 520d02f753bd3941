/* Same file name as y/util.h, another folder; two variants of its own, so
 * the later y/util.h must pass over the number this file's second variant
 * holds. */
static int twiceX(int v)
{
#ifdef WIDE
    if (v > 1000) return v;
#endif
    return v + v;
}
