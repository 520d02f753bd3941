// Loaded before the C library into a program under test: the allocation
// whose number TARSK1_FAIL_ALLOC_AT gives (counted from 1 over malloc,
// calloc and realloc) fails as if memory had run out; the others succeed.
// With TARSK1_ALLOC_COUNT_FILE set, the number of allocations made is
// written there when the process ends normally.
#define _GNU_SOURCE
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>

extern void *__libc_malloc(size_t);
extern void *__libc_calloc(size_t, size_t);
extern void *__libc_realloc(void *, size_t);

static unsigned long count;
static unsigned long failAt;

__attribute__((constructor)) static void readSettings(void)
{
    const char *at = getenv("TARSK1_FAIL_ALLOC_AT");
    if (at) failAt = strtoul(at, NULL, 10);
}

__attribute__((destructor)) static void writeCount(void)
{
    const char *path = getenv("TARSK1_ALLOC_COUNT_FILE");
    FILE *f = path ? fopen(path, "w") : NULL;
    if (f) {
        fprintf(f, "%lu\n", count);
        fclose(f);
    }
}

static int failsNow(void)
{
    if (++count != failAt) return 0;
    errno = ENOMEM;
    return 1;
}

void *malloc(size_t size) { return failsNow() ? NULL : __libc_malloc(size); }
void *calloc(size_t n, size_t size) { return failsNow() ? NULL : __libc_calloc(n, size); }
void *realloc(void *block, size_t size) { return failsNow() ? NULL : __libc_realloc(block, size); }
