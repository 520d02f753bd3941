#!/usr/bin/env python3
"""Cross-check of tarsk1 on the example programs of the machine.

Each example is preprocessed with gcc -E and measured by the tarsk1 binary
with the GCC target. VG of every function is compared with pmccabe's
traditional complexity over the same preprocessed text, and the line counts
of each measured .c file with cloc's. A difference passes only when a named
rule of this tool accounts for it exactly; anything else fails.

    crosscheck.py TARSK1 REPO_ROOT

Exit codes: 0 all agree or are explained, 1 unexplained differences,
77 nothing to compare (no examples, or pmccabe or cloc missing).
"""
import csv
import glob
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
MARKER = re.compile(r'^#\s*(?:line\s+)?(\d+)\s+"((?:[^"\\]|\\.)*)"')
TOKEN = re.compile(r'"(?:[^"\\\n]|\\.)*"|\'(?:[^\'\\\n]|\\.)*\'|[A-Za-z_$][\w$]*|&&|\|\||[?(){}]|\S', re.S)
DECISION_WORDS = {"if", "for", "while", "case"}
DECISION_OPERATORS = {"&&", "||", "?"}

# Constructs that the GCC target folds into a single identifier, so their
# contents never reach the tree: keyword, then the bracket that opens what
# disappears, and the rule's name as reported.
HIDDEN = {
    "__extension__": ("({", "statement expression read as one identifier by the __extension__ handling"),
}
for word in ("__typeof__", "__typeof", "typeof", "__alignof__", "__alignof", "_Alignof", "__builtin_offsetof",
             "__builtin_va_arg", "__builtin_types_compatible_p", "_Generic", "_Static_assert"):
    HIDDEN[word] = ("(", "arguments of %s reduced by the target" % word)

# Words after a declarator that pmccabe mistakes for a function head.
BLANKED_FOR_PMCCABE = ("__attribute__", "__attribute", "__asm__", "__asm", "asm")


def package_flags():
    flags = ["-I/usr/include/nettle", "-DPRINTF_STYLE(f,a)=", "-DUNUSED=", "-DNORETURN="]
    try:
        r = subprocess.run(["pkg-config", "--cflags", "xmlsec1"], capture_output=True, text=True)
        if r.returncode == 0:
            flags += r.stdout.split()
    except OSError:
        pass
    return flags


def preprocess(source, target, flags):
    if subprocess.run(["gcc", "-E"] + flags + [source, "-o", target], capture_output=True).returncode != 0:
        return False
    return subprocess.run(["gcc", "-fsyntax-only", "-w", "-x", "c", target], capture_output=True).returncode == 0


def line_origins(lines):
    """(file, line) of each line of preprocessed text, None for markers."""
    origins, current, number = [], "", 1
    for text in lines:
        m = MARKER.match(text)
        if m:
            origins.append(None)
            number, current = int(m.group(1)), m.group(2)
        else:
            origins.append((current, number))
            number += 1
    return origins


def balanced_end(text, start):
    """Index just past the bracket group that opens at start (round and curly brackets nest together)."""
    depth = 0
    for m in TOKEN.finditer(text, start):
        t = m.group(0)
        depth += (t in "({") - (t in ")}")
        if depth == 0:
            return m.end()
    return len(text)


def blank(text, start, end):
    return text[:start] + re.sub(r"[^\n]", " ", text[start:end]) + text[end:]


def pmccabe_copy(lines):
    """Preprocessed text with markers, attributes and asm labels blanked, line breaks kept."""
    text = "\n".join("" if MARKER.match(line) else line for line in lines)
    pattern = re.compile(r"\b(?:%s)\b\s*(?=\()" % "|".join(BLANKED_FOR_PMCCABE))
    at = 0
    while True:
        m = pattern.search(text, at)
        if not m:
            return text
        end = balanced_end(text, m.end())
        text = blank(text, m.start(), end)
        at = end


def code_tokens(text):
    return [m for m in TOKEN.finditer(text) if m.group(0)[0] not in "\"'"]


def decisions(tokens):
    return sum(1 for t in tokens if t.group(0) in DECISION_WORDS or t.group(0) in DECISION_OPERATORS)


def hidden_groups(tokens, text):
    """(first token index, index past the group, rule) of each hidden construct."""
    groups, i = [], 0
    while i < len(tokens):
        rule = HIDDEN.get(tokens[i].group(0))
        opens = i + 1 < len(tokens) and tokens[i + 1].group(0) == "("
        if rule and opens and (rule[0] == "(" or (i + 2 < len(tokens) and tokens[i + 2].group(0) == "{")):
            end = balanced_end(text, tokens[i + 1].start())
            j = i + 1
            while j < len(tokens) and tokens[j].end() <= end:
                j += 1
            groups.append((i, j, rule[1]))
            i = j
            continue
        i += 1
    return groups


def hidden_decisions(text):
    """Decisions pmccabe sees inside constructs the target hides: {rule: count}."""
    found, tokens = {}, code_tokens(text)
    for first, past, rule in hidden_groups(tokens, text):
        count = decisions(tokens[first:past])
        if count:
            found[rule] = found.get(rule, 0) + count
    return found


def visible_switches(text):
    tokens = code_tokens(text)
    hidden = set()
    for first, past, _ in hidden_groups(tokens, text):
        hidden.update(range(first, past))
    return sum(1 for i, t in enumerate(tokens) if t.group(0) == "switch" and i not in hidden)


def run_pmccabe(copy_path, copy_lines, origins):
    """{(FILE, name): (traditional, mapped line, function text, copy lines up to the name)} from pmccabe."""
    out = subprocess.run(["pmccabe", copy_path], capture_output=True, text=True, errors="replace").stdout
    functions = {}
    for row in out.splitlines():
        m = re.match(r"(\d+)\t(\d+)\t\d+\t(\d+)\t(\d+)\t.*\((\d+)\): (.*)$", row)
        if not m:
            continue
        traditional, first, count, name_line, name = int(m.group(2)), int(m.group(3)), int(m.group(4)), \
            int(m.group(5)), m.group(6)
        origin = origins[name_line - 1] if 0 < name_line <= len(origins) else None
        if origin is None:
            continue
        body = "\n".join(copy_lines[first - 1:first - 1 + count])
        functions[(origin[0].upper(), name)] = (traditional, origin[1], body, copy_lines[:name_line])
    return functions


def star_opens_declarator(head, distance):
    """True when the declarator's first token, a pointer star, ends the line
    that lies distance lines above the function name (the item's line is the
    declarator's first, pmccabe's the name's)."""
    if distance <= 0 or distance >= len(head):
        return False
    above = head[-1 - distance:-1]
    return above[0].rstrip().endswith("*") and all(not line.strip() for line in above[1:])


def read_met(path):
    text = open(path, encoding="utf-8").read()
    head = re.search(r'<FILE Name="([^"]*)" Dir="([^"]*)">', text)
    unescape = lambda s: s.replace("&quot;", '"').replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&")
    items = []
    for m in re.finditer(r'<FUNCTION Name="([^"]*)" Line="(\d+)" >\n<METRICS>\n<METRIC Key="VG" Value="(\d+)"/>',
                         text):
        items.append((unescape(m.group(1)), int(m.group(2)), int(m.group(3))))
    metrics = {k: int(v) for k, v in re.findall(r'<METRIC Key="(\w+)" Value="(\d+)"/>', text.split("</ITEMS>")[-1])}
    return unescape(head.group(2)) + "/" + unescape(head.group(1)), items, metrics


def compare_vg(source, met_path, items, pmc, report):
    unexplained = 0
    ours = {name for name, _, _ in items}
    for file, name in sorted(pmc):
        if file == met_path and name not in ours:
            report.append("  FAIL %s %s: seen by pmccabe only" % (source, name))
            unexplained += 1
    for name, line, vg in items:
        seen = pmc.get((met_path, name))
        if seen is None:
            report.append("  %s %s: not seen by pmccabe (VG %d)" % (source, name, vg))
            continue
        traditional, pline, body, head = seen
        switches = visible_switches(body)
        if pline != line:
            if star_opens_declarator(head, pline - line):
                report.append("  %s %s: line %d = pmccabe line %d - %d, the declarator's pointer star opens it" %
                              (source, name, line, pline, pline - line))
            else:
                report.append("  FAIL %s %s: line %d, pmccabe line %d" % (source, name, line, pline))
                unexplained += 1
        if vg == traditional + switches:
            continue
        hidden = hidden_decisions(body)
        if hidden and vg == traditional + switches - sum(hidden.values()):
            why = "; ".join("%d in %s" % (n, rule) for rule, n in sorted(hidden.items()))
            report.append("  %s %s: VG %d = pmccabe %d + %d switch - %s" % (source, name, vg, traditional, switches,
                                                                           why))
        else:
            report.append("  FAIL %s %s: VG %d, pmccabe %d + %d switch, hidden %s" %
                          (source, name, vg, traditional, switches, hidden))
            unexplained += 1
    return unexplained


def comment_layout(text):
    """Blank lines inside block comments, and block comments with code on
    both their first and their last line, of an unpreprocessed C file."""
    blank_inside, joined = 0, 0
    i, n, code_on_line = 0, len(text), False
    while i < n:
        c = text[i]
        if c == "\n":
            code_on_line = False
            i += 1
        elif text.startswith("//", i):
            while i < n and text[i] != "\n":
                i += 2 if text[i] == "\\" else 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            inner = text[i:end].split("\n")
            if len(inner) > 1:
                blank_inside += sum(1 for part in inner[1:-1] if part.strip() == "")
                rest = text[end:text.find("\n", end) if "\n" in text[end:] else n]
                after = re.sub(r"/\*.*?\*/", "", rest).split("//")[0].strip()
                if code_on_line and after:
                    joined += 1
                code_on_line = bool(after)
            i = end
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            i, code_on_line = j + 1, True
        else:
            code_on_line = code_on_line or not c.isspace()
            i += 1
    return blank_inside, joined


def compare_lines(source, metrics, counted, report):
    """Line counts against cloc's: what cloc calls blank, comment and code
    lines, moved by the two layouts it reads differently."""
    blank, comment, code = counted
    text = open(source, encoding="latin-1").read().replace("\r\n", "\n")
    blank_inside, joined = comment_layout(text)
    ours = (metrics["Src1"] + metrics["Src2"], metrics["Empty"], metrics["Comment1"], metrics["Total"])
    theirs = (code, blank, comment, blank + comment + code)
    if ours == theirs:
        return 0
    # A block comment between code joins two code lines into one, and cloc
    # counts one line of that comment as a comment line instead; blank lines
    # inside block comments are blank to cloc and comment lines here.
    explained = (code + joined, blank - blank_inside, comment - joined + blank_inside, theirs[3])
    shown = "Src1+Src2 %d, Empty %d, Comment1 %d, Total %d; cloc code %d, blank %d, comment %d" % (ours + theirs[:3])
    if ours == explained:
        report.append("  %s: %s; %d block comments joined between code, %d blank lines inside block comments" %
                      (source, shown, joined, blank_inside))
        return 0
    report.append("  FAIL %s: %s (joined %d, blank inside comments %d)" % (source, shown, joined, blank_inside))
    return 1


def run_cloc(sources):
    if not sources:
        return {}
    out = subprocess.run(["cloc", "--by-file", "--csv", "--quiet", "--skip-uniqueness", "--force-lang=C"] + sources,
                         capture_output=True, text=True).stdout
    counts = {}
    for row in csv.reader(io.StringIO(out)):
        if len(row) >= 5 and row[0] == "C":
            counts[row[1]] = (int(row[2]), int(row[3]), int(row[4]))
    return counts


def measure(tarsk1, root, unit, out_dir):
    env = dict(os.environ, MVRTGT=root + "/targets/gcc-glibc", CORVELDIR=root + "/install", LC_ALL="C")
    return subprocess.run([tarsk1, unit, "-METRICS=" + out_dir], capture_output=True, text=True, env=env,
                          errors="replace")


def main():
    tarsk1, root = sys.argv[1], sys.argv[2]
    if not shutil.which("pmccabe") or not shutil.which("cloc"):
        print("pmccabe or cloc missing: run scripts/setup.sh")
        return SKIP
    examples = sorted(glob.glob("/usr/share/doc/*/examples/*.c"))
    sources = [root + "/tests/data/crosscheck/layout.c"] + examples
    flags, report, failures, compared, functions, preprocessed = package_flags(), [], 0, [], 0, 0
    work = tempfile.mkdtemp(prefix="tarsk1-crosscheck-")
    try:
        for index, source in enumerate(sources):
            unit = os.path.join(work, "unit%d.i" % index)
            if not preprocess(source, unit, flags):
                continue
            preprocessed += 1
            out_dir = os.path.join(work, "met%d" % index)
            os.mkdir(out_dir)
            r = measure(tarsk1, root, unit, out_dir)
            if r.returncode != 0 or r.stderr:
                report.append("  FAIL %s: tarsk1 exit %d\n%s" % (source, r.returncode, r.stderr[:2000]))
                failures += 1
                continue
            lines = open(unit, encoding="latin-1").read().split("\n")
            copy = pmccabe_copy(lines)
            copy_path = unit + ".pmc.c"
            open(copy_path, "w", encoding="latin-1").write(copy)
            pmc = run_pmccabe(copy_path, copy.split("\n"), line_origins(lines))
            for met in sorted(os.listdir(out_dir)):
                met_path, items, metrics = read_met(os.path.join(out_dir, met))
                functions += len(items)
                failures += compare_vg(source, met_path, items, pmc, report)
                if met_path == source.upper():
                    compared.append((source, metrics))
        counts = run_cloc([s for s, _ in compared])
        for source, metrics in compared:
            if source not in counts:
                report.append("  FAIL %s: no cloc count" % source)
                failures += 1
                continue
            failures += compare_lines(source, metrics, counts[source], report)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    measured = sum(1 for source, _ in compared if source in examples)
    print("compared %d functions of %d measured .c files; %d of %d examples preprocessed, %d measured" %
          (functions, len(compared), preprocessed - 1, len(examples), measured))
    print("\n".join(report))
    print("%d unexplained differences" % failures)
    if failures:
        return 1
    if not measured:
        print("no example program was measured: nothing compared on real code")
        return SKIP
    return 0


if __name__ == "__main__":
    sys.exit(main())
