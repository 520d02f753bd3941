int f(int n)
{
    static int st;
    int i;
    for (i = 0; i < n; i++)
        if (i) continue; else break;
    switch (n) { case 1: return st; case 2 ... 3: default: ; }
    do n--; while (n);
    for (;;) goto out;
out:
    return;
}
