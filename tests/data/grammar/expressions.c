void f(void)
{
    g(a, b, c);
    g();
    s = "a" "b" "c";
    x = (int)y;
    n = sizeof(int);
    a = b = c;
    a - b - c;
    x++;
    v = s.5;
    p = (struct P){1, 2};
    q = a ? b : c;
}
