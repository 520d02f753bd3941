# 1 "/src/ext.c"
#pragma mevra "gnu#__extension__"
int m = __extension__ ({ int y = 1; y; });
double d = __extension__ 1.0;
__extension__ long long x;
#pragma mevra "gnu#asm"
#pragma mevra "other"
