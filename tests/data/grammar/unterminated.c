void f(void) { int x;
