# 1 "/src/an.c"
a;
#pragma mevra stop_analyze
b @ c;
#pragma mevra start_analyse
d;
#pragma mevra start_analyze
#pragma mevra stop_analyse
e @;
f
