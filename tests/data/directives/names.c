# 1 "/src/n.c"
# 5 "/src/dir\\a.c"
w
# 10 "/src/x\101.c"
x
#pragma mevra nointerpret
# 20 "/src/x\101.c"
y
