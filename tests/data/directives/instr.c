# 1 "/src/s.c"
int far x;
#pragma mevra stop_instr
int y;
#pragma mevra start_instr
#pragma mevra start_instr
z
