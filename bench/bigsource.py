#!/usr/bin/env python3
"""Writes one large C source file for the pipeline benchmark: a run of small
functions, each with identifiers and constants of its own (five identifiers
and about ten constants per function), comments, a switch and a loop, so that
the Halstead pass meets tens of thousands of distinct operands.

    bigsource.py BYTES OUTPUT.c
"""
import sys

FUNCTION = """/* function {k}: arithmetic, a decision and a loop */
static long g{k} = {k}L;
int f{k}(int a{k}, int b{k})
{{
    int x{k} = a{k} * {m} + 0x{k:x};  // seeded from the argument

    if (x{k} > b{k} && b{k} != {m})
        return x{k} ^ {n};
    switch (b{k}) {{
    case {m}: x{k} += (int)g{k}; break;
    default: x{k} = x{k} ? x{k} : {n};
    }}
    while (x{k} > {n}) x{k} -= {k}.5e1 > 0 ? 1 : 2;
    return x{k} - "s{k}"[0];
}}

"""


def main():
    size, path = int(float(sys.argv[1])), sys.argv[2]
    written, k = 0, 0
    with open(path, "w") as out:
        while written < size:
            text = FUNCTION.format(k=k, m=k % 97 + 3, n=k * 7 + 11)
            out.write(text)
            written += len(text)
            k += 1


if __name__ == "__main__":
    main()
