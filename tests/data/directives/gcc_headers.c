#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <stdint.h>
#include <math.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <time.h>
#include <errno.h>
#include <ctype.h>
#include <stdarg.h>
#include <stdbool.h>
#include <setjmp.h>
#include <locale.h>
#include <wchar.h>
int main(void) { return 0; }
static inline int twice(int x) { return __extension__ ({ int t = x; t + t; }); }
int sum(int n, ...) { va_list ap; int s = 0; va_start(ap, n); while (n--) s += va_arg(ap, int); va_end(ap); return s; }
int last(void) { return (int)offsetof(struct tm, tm_min) + twice(1) + sum(1, 2); }
