void f(void)
{
    x = a ? : b;
    switch (x) { case 1: }
    switch (x) { default: }
lab: }
