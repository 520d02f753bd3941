void f(int n)
{
    for (static int i = 0; i < n; i++) use(i);
}
