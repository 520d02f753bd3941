# 1 "/src/a.c"
int a;
# 10 "/src/dir\\a.c"
x
#line 20 "/inc/b.h" 1 3
y
# 25
z
#file "/src/c.c"
w
#line 0
v
# 0 "/x/zero.c"
u
