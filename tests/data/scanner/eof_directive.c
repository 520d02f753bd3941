a
#define X \
  1
b
#pragma mevra stop_analyze