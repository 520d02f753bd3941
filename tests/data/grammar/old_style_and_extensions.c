#pragma mevra "microsoft#seh"
#pragma mevra "microsoft#_asm"
int old(a, b) int a; int b; { return a; }
void t(void)
{
    __try { x(); } __except (1) { y(); }
    __try { x(); } __finally { __leave; }
    _asm mov eax, 1
    for (int i = 0, j = 1; i < j; i++) ;
}
