_asm mov eax, 1
{ __asm mov eax, 2 }
_asm { mov eax, 3
  mov ebx, 4 } x
__extension__ ({ int y = 1; y; }) __extension__ 1.0
__extension__ long long z;
__extension__ (void)(f(x)) __extension__ ((a)) b
__extension__ volatile (v) __extension__ volatile int
__try { __leave; } __except (filter(1)) { } __finally { }
__extension__
(foo) c
