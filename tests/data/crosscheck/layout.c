/* Layouts that cloc and pmccabe read differently: measured beside the
   example programs so that every explanation is exercised on any machine. */
#include <stdio.h>

int a;
/* a block comment

   with blank lines */
int b; /* a comment between code

   */ int c;

static int *
pick(int *p, int k)
{
    switch (k) {
    case 1: return p;
    default: break;
    }
    return k > 2 && p ? p + 1 : p;
}

int hidden(int x)
{
    return __extension__ ({ int y = x; if (y > 1 || y < -1) y = 0; y; });
}

int main(void) { char *s = "/* not a comment"; printf("%s %d\n", s, hidden(*pick(&a, 1))); return 0; } /* e
 f */
