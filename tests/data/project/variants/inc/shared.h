/* Measured in every unit that includes it: its variant depends on WIDE. */
static int clampShared(int v)
{
#ifdef WIDE
    if (v > 1000) return 1000;
#endif
    return v < 0 ? 0 : v;
}
