# 1 "/src/seh.c"
#pragma mevra "microsoft#seh"
__try { } __except (filter(1)) { } __finally { __leave; }
#pragma mevra "microsoft#fastcall"
