int f(void)
{
    int x;
    x = 1 +;
    y = 2 2;
    return x;
}
int g(void) { return 0 }
