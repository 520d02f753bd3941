# 1 "/src/r.c"
#pragma mevra pragma "MyStop" = "#pragma mevra stop_analyze"
#pragma mevra directive "Resume" = "#pragma mevra start_analyze"
a;
#pragma mystop
hidden @;
#RESUME
b;
#  pragma MYSTOP
c;
#resume(x)
d;
#pragma mevra pragma "loop" = "#pragma LOOP"
#pragma loop
e;
