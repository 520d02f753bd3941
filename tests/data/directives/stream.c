# 1 "/src/p.c"
#pragma mevra frobnicate
#pragma mevra type_modifier = far
int far *p;
#pragma mevra reduce "ASSERT"
ASSERT(x > 0);
#pragma mevra reduce "ASSERT" empty
ASSERT(x > 0);
#pragma mevra reduce "ASSERT" null
ASSERT(x > 0);
#pragma mevra reduce "CHK" typename
CHK(a, (b)) v;
#pragma mevra reduce "WRAP" = 292
WRAP(1) + 2;
#pragma mevra fctreduce "BODY"
BODY int f() { if (a) { b; } } after;
#pragma mevra accept "X" to 331
X a b c; next
#pragma mevra accept "Y" up to 331
Y a b c; next2 last
#pragma mevra accept "Z" = 4294967296
Z;
#pragma mevra accept "K" = 290
K;
#pragma mevra accept "drop"
drop q;
#pragma mevra accept ""
