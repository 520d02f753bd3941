typedef int T;
void f(int a[const volatile 3], int b[const volatile *], int c[static const volatile 2],
       int d[const volatile static 4]);
T long x;
int s = sizeof(int, 1, 2);
struct P { int x, y; } p = { x: 1, y: 2 };
int g(void) { return sizeof(char, 3, 4); }
