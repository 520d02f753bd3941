ASSERT(a,
# 20 "/t/other.h"
 b) x
F {
#line 40 "/t/third.h"
} y
__extension__ ({
# 60 "/t/fourth.h"
 }) z _asm {
# 80 "/t/fifth.h"
} w
#file "/t/sixth.h"
v ASSERT(
#pragma once
) u
