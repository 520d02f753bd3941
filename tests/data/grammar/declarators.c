int a, *b = 0;
static int x = 1;
int m[][3];
int (*fp)(int);
int f(int a);
