/* worked example */
#include "intdiv.h"
int f(int a, int b)
{
  int c = a + b * 1;
  int d = c - a * 2;
  { { { c = c * (a + d); } } }

  return d + c - b * 3 + a;
}
