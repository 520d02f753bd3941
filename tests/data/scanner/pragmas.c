far int x; ASSERT(x) NOTHING(y) X a b ; c
#pragma mevra stop_analyze
@ d
#pragma mevra start_analyze
e @
