# 1 "/src/asm.c"
_asm mov eax, 1
#pragma mevra "microsoft#_asm"
_asm mov eax, 1
{ _asm mov eax, 1 }
__asm {
  mov eax, 2
}
f();
_asm {
mov
