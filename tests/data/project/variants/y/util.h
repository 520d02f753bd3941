/* Same file name as x/util.h, another folder. */
static int twiceY(int v)
{
    if (v > 100) return v;
    return v + v;
}
