#!/usr/bin/python3
"""End-to-end cases of tarsk1-project on real builds: zlib configured by CMake,
lua recorded by `bear -- make` (both copied from ../shared/corpus into the
build tree), a small project of our own with header variants and shared
file names, and a tiny one configured by Meson. Usage: project_e2e.py BUILD_DIR SOURCE_DIR CASE."""
import json
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

BUILD, SOURCE, CASE = sys.argv[1:4]
TOOL = os.path.join(BUILD, "tarsk1-project")
TARSK1 = os.path.join(BUILD, "tarsk1")
SCRATCH = os.path.join(BUILD, "project-scratch")
CORPUS = os.path.normpath(os.path.join(SOURCE, "..", "shared", "corpus"))
VARIANTS = os.path.join(SOURCE, "tests", "data", "project", "variants")
MESON = os.path.join(SOURCE, "tests", "data", "project", "meson")
ENV = dict(os.environ, LANG="C", LC_ALL="C")


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


def check(condition, text):
    if not condition:
        fail(text)


def run(args, cwd=None, env=ENV, timeout=300):
    return subprocess.run(args, cwd=cwd, env=env, capture_output=True, text=True, timeout=timeout)


def tool(*args, cwd=None):
    return run([TOOL, *args], cwd=cwd)


def case_dir(name):
    path = os.path.join(SCRATCH, "cases", name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def copy_tree(source, dest):
    shutil.copytree(source, dest, symlinks=True)
    for root, dirs, files in os.walk(dest):
        for name in dirs + files:
            os.chmod(os.path.join(root, name), 0o755 if name in dirs else 0o644)


# ---- Fixtures --------------------------------------------------------------

def setup():
    shutil.rmtree(SCRATCH, ignore_errors=True)
    os.makedirs(SCRATCH)
    zlib = os.path.join(SCRATCH, "zlib")
    copy_tree(os.path.join(CORPUS, "zlib"), zlib)
    r = run(["cmake", "-S", zlib, "-B", os.path.join(zlib, "build"), "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON"])
    check(r.returncode == 0, "cmake on zlib: " + r.stderr)
    lua = os.path.join(SCRATCH, "lua")
    copy_tree(os.path.join(CORPUS, "lua"), lua)
    # The project's own flags, without optimisation: the build is only there
    # to be recorded.
    r = run(["bear", "--", "make", "-j2", "MYCFLAGS=-std=c99 -DLUA_USE_LINUX -O0"], cwd=lua)
    check(r.returncode == 0, "bear -- make on lua: " + r.stderr[-2000:])


def relocated_lua(dest):
    """A copy of the recorded lua build whose database names the copy."""
    source = os.path.join(SCRATCH, "lua")
    copy_tree(source, dest)
    db = os.path.join(dest, "compile_commands.json")
    with open(db) as f:
        text = f.read()
    with open(db, "w") as f:
        f.write(text.replace(source, dest))
    return dest


def make_variants(dest, extra=()):
    """Our small project: equal and different variants of one header, two
    headers of one name, both entry forms, and entries that are not C."""
    copy_tree(VARIANTS, dest)
    entries = [
        {"directory": dest, "arguments": ["cc", "-c", "a.c", "-o", "a.o"], "file": "a.c", "output": "a.o"},
        {"directory": dest, "command": "gcc -DWIDE -DNOTE='\"two words\"' -MD -MF b.d -c b.c -o b.o", "file": "b.c"},
        {"directory": dest, "command": "/usr/bin/gcc -c -o c.o c.c", "file": dest + "/c.c"},
        {"directory": dest, "arguments": ["cc", "-DWIDE", "-c", "a.c", "-o", "a-wide.o"], "file": "a.c"},
        {"directory": dest, "arguments": ["g++", "-c", "other.cpp"], "file": "other.cpp"},
        {"directory": dest, "arguments": ["gcc", "-c", "start.s"], "file": "start.s"},
    ] + list(extra)
    with open(os.path.join(dest, "compile_commands.json"), "w") as f:
        json.dump(entries, f, indent=1)
    return dest


# ---- One tarsk1 run over every unit, for comparison ------------------------

def preprocess_alone(entry, ipath):
    args = entry.get("arguments") or shlex.split(entry["command"])
    kept, skip = [], False
    for a in args:
        if skip:
            skip = False
        elif a in ("-o", "-MF"):
            skip = True
        elif a == "-c":
            kept.append("-E")
        elif a != "-MD":
            kept.append(a)
    r = run(kept + ["-o", ipath], cwd=entry["directory"])
    check(r.returncode == 0, "gcc -E: " + r.stderr)


def one_tarsk1_run(db, out):
    if os.path.isdir(db):
        db = os.path.join(db, "compile_commands.json")
    with open(db) as f:
        entries = [e for e in json.load(f) if e["file"].endswith(".c")]
    inputs = os.path.join(out + ".inputs")
    os.makedirs(inputs)
    os.makedirs(out)
    ipaths = []
    for n, e in enumerate(entries):
        ipaths.append(os.path.join(inputs, "u%03d.i" % n))
        preprocess_alone(e, ipaths[-1])
    directories = {e["directory"] for e in entries}
    check(len(directories) == 1, "one run needs one directory")
    env = dict(ENV, CORVELDIR=os.path.join(SOURCE, "install"), MVRTGT=os.path.join(SOURCE, "targets", "gcc-glibc"))
    r = run([TARSK1, ",".join(ipaths), "-METRICS=" + out, "-VANTEL_LOG=" + out + "/tarsk1.log"],
            cwd=directories.pop(), env=env)
    check(r.returncode == 0, "one tarsk1 run: " + r.stderr)


def metrics_files(folder):
    return sorted(n for n in os.listdir(folder) if n != ".tarsk1-project")


def documents(folder):
    """The metrics files of a folder and their bytes, the log left out."""
    found = {}
    for name in metrics_files(folder):
        if name.endswith(".met"):
            with open(os.path.join(folder, name), "rb") as f:
                found[name] = f.read()
    return found


def same_folders(a, b):
    check(metrics_files(a) == metrics_files(b), "files differ: %s / %s" % (metrics_files(a), metrics_files(b)))
    for name in metrics_files(a):
        with open(os.path.join(a, name), "rb") as x, open(os.path.join(b, name), "rb") as y:
            check(x.read() == y.read(), "%s differs from one tarsk1 run" % name)


def equal_to_one_run(db, out, *args):
    """Runs the tool into out, then one tarsk1 run into the same folder name,
    and compares the two byte for byte (logs included)."""
    r = tool("-p", db, "--out", out, "-j2", "-q", *args)
    check(r.returncode == 0, "tool failed: %s %s" % (r.stdout, r.stderr))
    os.rename(out, out + ".tool")
    one_tarsk1_run(db, out)
    same_folders(out + ".tool", out)
    return metrics_files(out)


# ---- Cases -----------------------------------------------------------------

def merge():
    work = case_dir("merge")
    equal_to_one_run(os.path.join(SCRATCH, "zlib", "build"), os.path.join(work, "zlib"))
    equal_to_one_run(os.path.join(SCRATCH, "lua", "compile_commands.json"), os.path.join(work, "lua"))
    names = equal_to_one_run(make_variants(os.path.join(work, "variants")), os.path.join(work, "variants-out"))
    check(names == ["A.C.met", "B.C.met", "C.C.met", "SHARED.H#1.met", "SHARED.H.met", "UTIL.H#1.met", "UTIL.H#2.met",
                    "UTIL.H.met", "tarsk1.log"], "variants: %s" % names)


def summary_counts(stdout):
    line = stdout.splitlines()[0]  # "units: 34 analysed (34 unchanged), ..."
    words = line.replace("(", "").split()
    return int(words[1]), int(words[3])


def units_including(db, header):
    with open(db) as f:
        entries = json.load(f)
    count = 0
    for e in entries:
        args = [a for a in e["arguments"] if a not in ("-c",)]
        out = args.index("-o")
        r = run(args[:out] + args[out + 2:] + ["-MM"], cwd=e["directory"])
        count += header in r.stdout.split()
    return count


def incremental():
    work = case_dir("incremental")
    lua = relocated_lua(os.path.join(work, "lua"))
    out = os.path.join(work, "out")
    start = time.monotonic()
    r = tool("-p", lua, "--out", out, "-j2")
    first = time.monotonic() - start
    check(r.returncode == 0 and summary_counts(r.stdout) == (34, 0), "first run: " + r.stdout + r.stderr)
    start = time.monotonic()
    r = tool("-p", lua, "--out", out, "-j2")
    second = time.monotonic() - start
    check(summary_counts(r.stdout) == (34, 34), "unchanged tree re-ran units: " + r.stdout)
    print("first run %.2f s, unchanged run %.3f s" % (first, second))

    header = os.path.join(lua, "lgc.h")
    os.utime(header, (time.time() + 5, time.time() + 5))
    expected = units_including(os.path.join(lua, "compile_commands.json"), "lgc.h")
    r = tool("-p", lua, "--out", out, "-j2")
    check(summary_counts(r.stdout) == (34, 34 - expected), "touched lgc.h: %d expected, %s" % (expected, r.stdout))

    db = os.path.join(lua, "compile_commands.json")
    with open(db) as f:
        entries = json.load(f)
    entries[3]["arguments"].insert(1, "-DTARSK1_PROJECT_TEST")
    with open(db, "w") as f:
        json.dump(entries, f)
    r = tool("-p", lua, "--out", out, "-j2")
    check(summary_counts(r.stdout) == (34, 33), "changed command: " + r.stdout)

    target = os.path.join(work, "target")
    shutil.copytree(os.path.join(SOURCE, "targets", "gcc-glibc"), target)
    r = tool("-p", lua, "--out", out, "-j2", "--target", target)
    check(summary_counts(r.stdout) == (34, 0), "changed target: " + r.stdout)

    # A copy of both programs (each finds tarsk1 beside itself): nothing
    # re-runs while its tarsk1 stays as it is, everything once it changes.
    tools = os.path.join(work, "tools")
    os.makedirs(tools)
    for name in ("tarsk1-project", "tarsk1"):
        shutil.copy2(os.path.join(BUILD, name), tools)
    copied = [os.path.join(tools, "tarsk1-project"), "-p", lua, "--out", out, "-j2", "--target", target,
              "--install", os.path.join(BUILD, "install")]
    check(run(copied).returncode == 0, "the copied programs run")
    for touched, unchanged in ((False, 34), (True, 0)):
        if touched:
            os.utime(os.path.join(tools, "tarsk1"), (time.time() + 10, time.time() + 10))
        r = run(copied)
        check(summary_counts(r.stdout) == (34, unchanged), "tarsk1 touched %s: %s" % (touched, r.stdout))


def failures():
    work = case_dir("failures")
    project = make_variants(os.path.join(work, "p"), extra=[
        {"directory": os.path.join(work, "p"), "arguments": ["gcc", "-c", "broken.c"], "file": "broken.c"},
        {"directory": os.path.join(work, "p"), "arguments": ["gcc", "-c", "fails.c"], "file": "fails.c"},
        {"directory": os.path.join(work, "p"), "arguments": ["gcc", "-c", "gone.c"], "file": "gone.c"},
        {"directory": os.path.join(work, "p"), "arguments": ["/nonexistent/gcc", "-c", "a.c"], "file": "a.c"},
        {"directory": os.path.join(work, "p"), "arguments": ["gcc", "-x", "c", "-c", "-"], "file": "stdin.c"},
        {"directory": os.path.join(work, "p"), "arguments": ["./stuck/gcc", "-c", "c.c"], "file": "stuck.c"},
    ])
    os.makedirs(os.path.join(project, "stuck"))
    with open(os.path.join(project, "stuck", "gcc"), "w") as f:
        f.write("#!/bin/sh\nexec sleep 60\n")
    os.chmod(os.path.join(project, "stuck", "gcc"), 0o755)
    r = tool("-p", project, "--out", os.path.join(work, "out"), "--json", os.path.join(work, "r.json"), "--timeout", "1")
    check(r.returncode == 2, "a failing unit gives exit code 2, not %d" % r.returncode)
    with open(os.path.join(work, "r.json")) as f:
        report = json.load(f)
    failed = {u["source"]: u["message"] for u in report["units"] if not u["ok"]}
    check(sorted(failed) == ["a.c", "broken.c", "fails.c", "gone.c", "stuck.c"], "failed units: %s" % failed)
    check(report["units"][-2] == {"source": "stdin.c", "ok": True}, "a unit reading standard input ends")
    check(failed["stuck.c"] == "gcc did not end within 1 s", "stuck compiler: " + failed["stuck.c"])
    check("missing-header.h" in failed["fails.c"], "first message of fails.c: " + failed["fails.c"])
    check("/nonexistent/gcc" in failed["a.c"], "missing compiler: " + failed["a.c"])
    check("failed units:" in r.stdout and "broken.c: " in r.stdout, "summary lists failures: " + r.stdout)
    check(os.path.exists(os.path.join(work, "out", "B.C.met")), "good units still merged")
    check(report["skipped"] == 2, "skipped: %s" % report["skipped"])
    r = tool("-p", project, "--out", os.path.join(work, "only-b"), "--include", "b.c")
    check(r.returncode == 0 and r.stdout.startswith("units: 1 analysed (0 unchanged), 0 failed, 2 skipped (not C), "
                                                    "9 left out"), "--include: " + r.stdout)


def bad_inputs():
    work = case_dir("bad_inputs")
    project = make_variants(os.path.join(work, "p"))
    out = os.path.join(work, "out")
    cases = [  # (database text or None for the project's, extra args, exit code, text in stderr)
        ("not json", [], 3, "is not JSON"),
        ('[{"file": "a.c", "command": "gcc -c a.c"}]', [], 3, 'entry 1 (a.c): no "directory"'),
        ('[{"directory": "/tmp", "file": "a.c", "command": "gcc -c \'a.c"}]', [], 3, "single quote"),
        (None, ["--max-vg", "nine"], 3, "--max-vg needs a number"),
        (None, ["--shard", "3/2"], 3, "--shard needs K/N"),
        (None, ["--bogus"], 3, "bogus"),
        (None, ["--target", work], 3, "no ana/mvct.def"),
        (None, ["--baseline", os.path.join(work, "none.json")], 3, "cannot read the baseline"),
        (None, ["--baseline", os.path.join(project, "compile_commands.json")], 3, "not a JSON report of tarsk1-project"),
    ]
    for text, args, code, message in cases:
        db = os.path.join(project, "compile_commands.json")
        if text is not None:
            db = os.path.join(work, "db.json")
            with open(db, "w") as f:
                f.write(text)
        r = tool("-p", db, "--out", out, *args)
        check(r.returncode == code and message in r.stderr, "%s %s: %d %s" % (text, args, r.returncode, r.stderr))
    r = tool("-p", project, "--out", os.path.join(work, "a,b"))
    check(r.returncode == 3 and "holds ',' or '$'" in r.stderr, r.stderr)
    r = tool("-p", project, "--out", os.path.join(project, "a.c"))
    check(r.returncode == 3 and "cannot create the metrics folder" in r.stderr, r.stderr)
    r = tool("-p", os.path.join(work, "missing"))
    check(r.returncode == 3 and "cannot read the compilation database" in r.stderr, r.stderr)
    r = tool("--help")
    check(r.returncode == 0 and "Exit codes:" in r.stdout and "--max-vg" in r.stdout, r.stdout)

    other = os.path.join(work, "other-version")
    os.makedirs(os.path.join(other, ".tarsk1-project"))
    with open(os.path.join(other, ".tarsk1-project", "manifest.json"), "w") as f:
        f.write('{"format": "tarsk1-project-work", "version": 99}')
    r = tool("-p", project, "--out", other)
    check(r.returncode == 3 and "another version" in r.stderr, r.stderr)
    r = tool("merge", out, other)
    check(r.returncode == 3 and "another version" in r.stderr, r.stderr)


def gates():
    work = case_dir("gates")
    project = make_variants(os.path.join(work, "p"))
    out, baseline = os.path.join(work, "out"), os.path.join(work, "baseline.json")
    csv = os.path.join(work, "functions.csv")
    r = tool("-p", project, "--out", out, "--max-vg", "10", "--json", baseline, "--csv", csv)
    check(r.returncode == 0, "no breach: %d %s" % (r.returncode, r.stdout))
    with open(csv) as f:
        rows = f.read().splitlines()
    check(rows[0] == "path,function,line,VG,Statements,NestedLevel" and "b.c,b,3,2,3,2" in rows and len(rows) == 9,
          "CSV: %s" % rows)
    with open(baseline) as f:
        report = json.load(f)
    shared = [f for f in report["files"] if f["path"] == "inc/shared.h"]
    check(report["version"] == 1 and [f["metricsFile"] for f in shared] == ["SHARED.H.met", "SHARED.H#1.met"]
          and shared[1]["functions"] == [{"name": "clampShared", "line": 2, "VG": 3, "Statements": 3,
                                          "NestedLevel": 2}]
          and shared[0]["metrics"]["Total"] == 8, "JSON: %s" % shared)
    check("\r" not in r.stderr, "no progress line outside a terminal")
    # On a terminal the status line is drawn in place.
    r = run(["script", "-qec", shlex.join([TOOL, "-p", project, "--out", out + "-tty"]), "/dev/null"])
    check("[4/4] " in r.stdout and "\x1b[K" in r.stdout and "units: 4 analysed" in r.stdout,
          "progress on a terminal: %r" % r.stdout)
    r = tool("-p", project, "--out", out, "--max-vg", "2", "--max-statements", "2", "--max-nesting", "5")
    lines = [l for l in r.stdout.splitlines() if ": warning: " in l]
    check(r.returncode == 1, "breach gives 1, not %d" % r.returncode)
    check("y/util.h:2: warning: function 'twiceY': VG 2 exceeds 2" not in lines, "a value at the limit is no breach")
    check("inc/shared.h:2: warning: function 'clampShared': VG 3 exceeds 2" in lines, "\n".join(lines))
    check("inc/shared.h:2: warning: function 'clampShared': Statements 3 exceeds 2" in lines, "\n".join(lines))
    # Old breaches pass with the baseline; a function made worse counts again.
    r = tool("-p", project, "--out", out, "--max-vg", "2", "--baseline", baseline)
    check(r.returncode == 0 and ": warning: " not in r.stdout, "baseline: " + r.stdout)
    with open(os.path.join(project, "c.c"), "a") as f:
        f.write("int d(int v) { return v > 1 ? v : -v; }\n")
    with open(os.path.join(project, "b.c"), "w") as f:
        f.write('#include "inc/shared.h"\n#include "y/util.h"\nint b(int v)\n{\n'
                '    while (v > 10 && v < 90) v = v / 2;\n    return clampShared(twiceY(v));\n}\n')
    r = tool("-p", project, "--out", out, "--max-vg", "2", "--baseline", baseline)
    lines = [l for l in r.stdout.splitlines() if ": warning: " in l]
    check(r.returncode == 1 and lines == ["b.c:3: warning: function 'b': VG 3 exceeds 2"], "worse: %s" % lines)


def shards():
    work = case_dir("shards")
    db = os.path.join(SCRATCH, "lua", "compile_commands.json")
    parts = []
    for k in (1, 2, 3):
        parts.append(os.path.join(work, "shard%d" % k))
        r = tool("-p", db, "--out", parts[-1], "--shard", "%d/3" % k, "-q")
        check(r.returncode == 0, "shard %d: %s" % (k, r.stderr))
    whole = os.path.join(work, "whole")
    r = tool("-p", db, "--out", whole, "-q", "--json", os.path.join(work, "whole.json"))
    check(r.returncode == 0, r.stderr)
    os.rename(whole, whole + ".run")
    # A stray file of a merged name is replaced.
    os.makedirs(whole)
    with open(os.path.join(whole, "LAPI.C.met"), "w") as f:
        f.write("stray")
    r = tool("merge", whole, *parts, "--json", os.path.join(work, "merged.json"))
    check(r.returncode == 0, "merge: " + r.stdout + r.stderr)
    same_folders(whole + ".run", whole)
    # On another file system, where the merged files cannot be second names
    # of the shards' documents, they are written.
    elsewhere = tempfile.mkdtemp(dir="/dev/shm")
    r = tool("merge", elsewhere, *parts)
    written = documents(elsewhere)
    shutil.rmtree(elsewhere)
    check(r.returncode == 0 and written == documents(whole), "merge onto another file system: " + r.stderr)
    with open(os.path.join(work, "whole.json")) as a, open(os.path.join(work, "merged.json")) as b:
        check(json.load(a)["files"] == json.load(b)["files"], "JSON reports of shards merged and whole run differ")
    # A shard whose unit results are gone cannot be merged.
    unit = os.listdir(os.path.join(parts[1], ".tarsk1-project", "units"))[0]
    os.remove(os.path.join(parts[1], ".tarsk1-project", "units", unit, "state.txt"))
    r = tool("merge", os.path.join(work, "broken"), *parts)
    check(r.returncode == 3 and "missing or unreadable" in r.stderr, r.stderr)
    # A shard filtered differently belongs to another analysis.
    r = tool("-p", db, "--out", parts[0], "--shard", "1/3", "-q", "--exclude", "lua.c")
    r = tool("merge", os.path.join(work, "mixed"), *parts)
    check(r.returncode == 3 and "another database or other filters" in r.stderr, r.stderr)


def sarif():
    import jsonschema  # Debian's python3-jsonschema
    work = case_dir("sarif")
    report = os.path.join(work, "r.sarif")
    r = tool("-p", os.path.join(SCRATCH, "zlib", "build"), "--out", os.path.join(work, "out"), "--max-vg", "40",
             "--sarif", report)
    check(r.returncode == 1, "breaches expected: %d" % r.returncode)
    with open(os.path.join(os.path.dirname(CORPUS), "schemas", "sarif-schema-2.1.0.json")) as f:
        schema = json.load(f)
    with open(report) as f:
        log = json.load(f)
    jsonschema.validate(log, schema)
    results = log["runs"][0]["results"]
    location = {(x["locations"][0]["physicalLocation"]["artifactLocation"]["uri"],
                 x["locations"][0]["physicalLocation"]["region"]["startLine"]) for x in results}
    check(("inflate.c", 590) in location and len(results) == 5, "results: %s" % sorted(location))
    check(log["runs"][0]["originalUriBaseIds"]["%SRCROOT%"]["uri"] == "file://%s/zlib/" % SCRATCH, "root uri")


HARNESS = """<!DOCTYPE html><html><body><pre id="result">pending</pre>
<iframe id="report" src="%s" width="1200" height="900"></iframe>
<script>
const result = document.getElementById("result");
document.getElementById("report").addEventListener("load", () => {
  try {
    const doc = document.getElementById("report").contentDocument;
    const column = (table, n) => Array.from(doc.querySelectorAll(table + " tbody tr"))
                                      .map(r => Number(r.children[n].dataset.v));
    const head = doc.querySelectorAll("#functions th")[3];
    head.click();
    const up = column("#functions", 3);
    head.click();
    const down = column("#functions", 3);
    const sorted = (xs, f) => xs.every((x, i) => i === 0 || f(xs[i - 1], x));
    const svgs = doc.querySelectorAll("svg rect").length;
    result.textContent = (up.length > 100 && sorted(up, (a, b) => a <= b) && sorted(down, (a, b) => a >= b)
                          && svgs > 4) ? "sorted:ok" : "sorted:bad " + up.slice(0, 5) + " " + down.slice(0, 5);
  } catch (e) { result.textContent = "error: " + e; }
});
</script></body></html>
"""


def chromium(*args):
    profile = os.path.join(SCRATCH, "cases", "html", "profile")
    shutil.rmtree(profile, ignore_errors=True)
    os.makedirs(profile)
    return run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--user-data-dir=" + profile, "--enable-logging=stderr", "--v=0", *args], timeout=120)


def html():
    work = case_dir("html")
    page = os.path.join(work, "report.html")
    r = tool("-p", os.path.join(SCRATCH, "zlib", "build"), "--out", os.path.join(work, "out"), "--html", page)
    check(r.returncode == 0, r.stderr)
    with open(page) as f:
        text = f.read()
    check("http://" not in text and "https://" not in text and "<svg" in text, "self-contained with inline SVG")
    harness = os.path.join(work, "harness.html")
    with open(harness, "w") as f:
        f.write(HARNESS % "report.html")
    r = chromium("--allow-file-access-from-files", "--virtual-time-budget=5000", "--dump-dom", "file://" + harness)
    check("sorted:ok" in r.stdout, "tables sort: %s %s" % (r.stdout[:500], r.stderr[-2000:]))
    check("Uncaught" not in r.stderr, "script error: " + r.stderr[-2000:])
    shot = os.path.join(BUILD, "project-report-screenshot.png")
    r = chromium("--window-size=1280,1600", "--screenshot=" + shot, "file://" + page)
    check(os.path.getsize(shot) > 10000, "screenshot " + shot)
    check("Uncaught" not in r.stderr, "script error: " + r.stderr[-2000:])


def meson():
    """A real Meson build: its database names sources and include folders
    relative to the build folder."""
    work = case_dir("meson")
    project = os.path.join(work, "p")
    copy_tree(MESON, project)
    r = run(["meson", "setup", "builddir"], cwd=project)
    check(r.returncode == 0, "meson setup: " + r.stdout[-2000:] + r.stderr[-2000:])
    report = os.path.join(work, "r.json")
    r = tool("-p", os.path.join(project, "builddir"), "--out", os.path.join(work, "out"), "--json", report)
    check(r.returncode == 0 and r.stdout.startswith("units: 2 analysed (0 unchanged), 0 failed"), r.stdout + r.stderr)
    with open(report) as f:
        files = {x["path"]: [g["name"] for g in x["functions"]] for x in json.load(f)["files"]}
    check(files == {"main.c": ["main"], "count.c": ["countAbove"], "count.h": ["isAbove"]}, "measured: %s" % files)


CASES = {f.__name__: f for f in (setup, merge, incremental, failures, bad_inputs, gates, shards, sarif, html, meson)}
CASES[CASE]()
print("ok: " + CASE)
