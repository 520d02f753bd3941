/* Same file name as y/util.h, another folder. */
static int twiceX(int v) { return v + v; }
