#!/usr/bin/env python3
"""Lists the C headers of the machine that gcc accepts on their own.

Every .h under /usr/include (a header of the multiarch folder by its name
there) and under gcc's own include folder is included alone in an empty C
file; the header is kept when gcc -fsyntax-only accepts that file. The kept
names are then grouped into bundles that gcc also accepts as one file
(halving a bundle until it does, then joining neighbours while it does), so that the grammar test preprocesses a
few large files instead of thousands. Output: one include name a line, an
empty line between bundles.

    c_headers.py > tests/data/grammar/c_headers.txt
"""
import concurrent.futures
import glob
import os
import subprocess

MULTIARCH = "/usr/include/x86_64-linux-gnu"


def include_names():
    names = set()
    for path in glob.glob("/usr/include/**/*.h", recursive=True):
        root = MULTIARCH if path.startswith(MULTIARCH + "/") else "/usr/include"
        names.add(os.path.relpath(path, root))
    for root in glob.glob("/usr/lib/gcc/x86_64-linux-gnu/*/include"):
        for path in glob.glob(root + "/**/*.h", recursive=True):
            names.add(os.path.relpath(path, root))
    return sorted(names)


def accepted_together(names):
    source = "".join("#include <%s>\n" % n for n in names)
    try:
        r = subprocess.run(["gcc", "-fsyntax-only", "-w", "-x", "c", "-"], input=source.encode(),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    except subprocess.TimeoutExpired:   # some foreign headers keep gcc busy for many minutes
        return False
    return r.returncode == 0


def accepted(name):
    return accepted_together([name])


def bundles(names):
    if accepted_together(names):
        return [names]
    half = len(names) // 2
    return bundles(names[:half]) + bundles(names[half:])


def merged(parts):
    """Joins neighbouring bundles while gcc accepts the union."""
    out = [parts[0]]
    for b in parts[1:]:
        if accepted_together(out[-1] + b):
            out[-1] = out[-1] + b
        else:
            out.append(b)
    return out


def main():
    names = include_names()
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        kept = [n for n, ok in zip(names, pool.map(accepted, names)) if ok]
    print("\n\n".join("\n".join(b) for b in merged(bundles(kept))))


if __name__ == "__main__":
    main()
