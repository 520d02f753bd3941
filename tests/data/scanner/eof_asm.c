a _asm {
 mov
