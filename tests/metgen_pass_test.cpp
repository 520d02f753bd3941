// The function metrics pass: VG, Statements and NestedLevel on hand-built
// trees (deep ones included), the file filters, grouping by source file,
// the Halstead counts per file and the merge of variants into the run's list.
#include "frontend/arbre.h"
#include "frontend/kinds.h"
#include "frontend/places.h"
#include "metfile/metfile.h"
#include "metrics/halstead.h"
#include "metfile/writeMetricsApi.h"
#include "metrics/metgen.h"
#include "support/alpha.h"
#include "support/files.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

// Stand-in for the Halstead pass: hands back the counts the test chose for a
// path and records the order of the calls.
static std::vector<std::string> halsteadCalls;
static std::map<std::string, HalsteadCounts> halsteadResults;

static std::set<std::string> halsteadWarnings;  // paths whose pass warns

void runHalsteadPass(const char *path, const char *, HalsteadCounts *counts)
{
    halsteadCalls.push_back(path);
    if (halsteadWarnings.count(path))
        reportWarning(QStringLiteral("halstead:Directive() #1"), "halstead:Directive() #");
    auto it = halsteadResults.find(path);
    *counts = it != halsteadResults.end() ? it->second : HalsteadCounts{1, 1, 1, 1, 1, 1, 0, 0, 0, 0};
}

namespace {

// ---- Hand-built trees --------------------------------------------------------

_AlphaType *alpha(const char *text) { return FindOrAddAlpha(text); }

SyntaxNode *node(int kind, std::vector<SyntaxNode *> children = {})
{
    SyntaxNode *n = new SyntaxNode{};
    n->kind = int16_t(kind);
    for (size_t i = 0; i < children.size(); ++i) {
        if (i == 0) n->child = children[0];
        else children[i - 1]->next = children[i];
    }
    return n;
}

SyntaxNode *id(const char *name)
{
    SyntaxNode *n = node(IDENTIFIER);
    n->alpha = alpha(name);
    return n;
}

SyntaxNode *exprStatement(SyntaxNode *e) { return node(EXPRESSION_STATEMENT, {e}); }
SyntaxNode *callStatement(const char *f) { return exprStatement(node(CALL, {id(f)})); }

// int name(void) { body }
SyntaxNode *function(const char *name, std::vector<SyntaxNode *> body)
{
    SyntaxNode *f = node(FUNCTION_DEFINITION,
                         {node(FUNCTION_HEAD, {node(INT), id(name ? name : "anonymous")}), node(LBRACE, body)});
    f->alpha = name ? alpha(name) : nullptr;
    return f;
}

void release(SyntaxNode *root)
{
    std::vector<SyntaxNode *> pending{root};
    while (!pending.empty()) {
        SyntaxNode *n = pending.back();
        pending.pop_back();
        if (!n) continue;
        pending.push_back(n->child);
        pending.push_back(n->next);
        delete n;
    }
}

struct Measured {
    int vg, statements, nested;
    bool operator==(const Measured &o) const { return vg == o.vg && statements == o.statements && nested == o.nested; }
};
std::ostream &operator<<(std::ostream &os, const Measured &m)
{
    return os << "VG " << m.vg << " Statements " << m.statements << " NestedLevel " << m.nested;
}

Measured measure(SyntaxNode *f)
{
    const FunctionMetrics fm = measureFunction(f);
    Measured m{fm.vg, fm.statements, fm.nestedLevel};
    release(f);
    return m;
}

// ---- VG, Statements, NestedLevel ---------------------------------------------

TEST(FunctionMetrics, SmallFunctions)
{
    // int f(void) { return 0; }
    EXPECT_EQ(measure(function("f", {node(RETURN, {node(OCTAL_CONSTANT)})})), (Measured{1, 1, 1}));
    // void g(void) {}
    EXPECT_EQ(measure(function("g", {})), (Measured{1, 0, 0}));
    // if (a && b) x(); else y();
    EXPECT_EQ(measure(function("f", {node(IF, {node(AND_AND, {id("a"), id("b")}), callStatement("x"),
                                               node(ELSE, {callStatement("y")})})})),
              (Measured{3, 3, 2}));
    // switch (k) { case 1: case 2: break; default: break; }
    EXPECT_EQ(
        measure(function(
            "f", {node(SWITCH, {id("k"), node(LBRACE, {node(CASE, {node(INTEGER_CONSTANT),
                                                                   node(CASE, {node(INTEGER_CONSTANT), node(BREAK)})}),
                                                       node(DEFAULT, {node(BREAK)})})})})),
        (Measured{4, 6, 2}));
    // return a ? b : c;
    EXPECT_EQ(measure(function("f", {node(RETURN, {node(QUESTION, {id("a"), id("b"), node(COLON, {id("c")})})})})),
              (Measured{2, 1, 2}));
}

TEST(FunctionMetrics, NestingAndCountingRules)
{
    // while (c) { for (;;) { do { x(); } while (d); } }
    EXPECT_EQ(
        measure(function(
            "f",
            {node(WHILE,
                  {id("c"),
                   node(LBRACE,
                        {node(FOR, {node(SKIPPED), node(SKIPPED), node(SKIPPED),
                                    node(LBRACE, {node(DO, {id("d"), node(LBRACE, {callStatement("x")})})})})})})})),
        (Measured{4, 4, 4}));
    // A conditional expression nests but is no statement: with no statement
    // at all the nesting is 0 even though VG counts the "?".
    EXPECT_EQ(
        measure(function(
            "f", {node(INIT_DECLARATOR,
                       {id("x"), node(INITIALIZER, {node(QUESTION, {id("a"), id("b"), node(COLON, {id("c")})})})})})),
        (Measured{2, 0, 0}));
    // __try { x(); } __except (1) { __leave; }, plus goto, continue and a
    // label; OR_OR counts, DEFAULT/GOTO/ELSE/TRY do not.
    EXPECT_EQ(measure(function(
                  "f", {node(TRY, {node(LBRACE, {callStatement("x")}), node(EXCEPT, {node(LBRACE, {node(LEAVE)})})}),
                        node(LABEL, {id("l"), node(GOTO, {id("l")})}), node(CONTINUE),
                        exprStatement(node(OR_OR, {id("a"), id("b")}))})),
              (Measured{2, 7, 3}));
    // Parameters in the head count too; siblings of the function do not.
    SyntaxNode *f = function("f", {});
    f->child->child->next->next = node(AND_AND, {id("p"), id("q")});
    f->next = node(IF, {id("z"), callStatement("z")});
    EXPECT_EQ(measure(f), (Measured{2, 0, 0}));
}

TEST(FunctionMetrics, DeepTreesDoNotOverflowTheStack)
{
    // 200,000 nested blocks around one statement.
    SyntaxNode *inner = callStatement("x");
    for (int i = 0; i < 200000; ++i) inner = node(LBRACE, {inner});
    EXPECT_EQ(measure(function("f", {inner})), (Measured{1, 1, 1}));

    // A 100,000-long else-if chain.
    const int n = 100000;
    SyntaxNode *chain = callStatement("last");
    for (int i = 0; i < n; ++i) chain = node(IF, {id("c"), callStatement("x"), node(ELSE, {chain})});
    EXPECT_EQ(measure(function("f", {chain})), (Measured{1 + n, 2 * n + 1, n + 1}));
}

// ---- The pass over a tree ----------------------------------------------------

const char *const srcDir = "\\WORK\\SRC\\";
const char *const incDir = "\\WORK\\INC\\";
const char *const sysDir = "\\USR\\INCLUDE\\";

SyntaxNode *definedAt(SyntaxNode *f, const char *dir, const char *file, int line)
{
    f->start = NodePosition{line, 0, 0, InternPlace(alpha(file), alpha(dir), 0)};
    return f;
}

SyntaxNode *unit(std::vector<SyntaxNode *> definitions) { return node(TRANSLATION_UNIT, definitions); }

CountedList *prefixes(std::vector<const char *> texts)
{
    CountedList *head = nullptr;
    for (auto it = texts.rbegin(); it != texts.rend(); ++it) head = new CountedList{alpha(*it), 1, head};
    return head;
}

void releasePrefixes(CountedList *list)
{
    while (list) {
        CountedList *next = list->next;
        delete list;
        list = next;
    }
}

std::string functionNames(const MetFile *f)
{
    std::string names;
    for (const SourceItem *i = f->items; i; i = i->next)
        names += (names.empty() ? "" : " ") + i->name.toStdString() + "@" + std::to_string(i->line);
    return names;
}

int fileMetric(const MetFile *f, const char *name)
{
    for (const MetricValue *v = f->metrics; v->descriptor; ++v)
        if (std::strcmp(v->descriptor->name, name) == 0) return v->value;
    return -2;
}

class MetricsPass : public testing::Test {
protected:
    void SetUp() override
    {
        halsteadCalls.clear();
        halsteadResults.clear();
        halsteadWarnings.clear();
        forgetFileCounts();
    }
    void TearDown() override { releaseMetFileEntries(runList); }
    void pass(std::vector<SyntaxNode *> definitions, CountedList *restrict = nullptr, CountedList *std = nullptr)
    {
        SyntaxNode *root = unit(definitions);
        computeFileMetrics(root, &runList, restrict, std);
        release(root);
        releasePrefixes(restrict);
        releasePrefixes(std);
    }
    std::string listing() const
    {
        std::string s;
        for (const MetFileEntry *e = runList; e; e = e->next)
            s += std::string(e->path) + "#" + std::to_string(e->duplicate) + "[" + functionNames(e->file) + "] ";
        return s;
    }
    MetFileEntry *runList = nullptr;
};

TEST_F(MetricsPass, FunctionsAreGroupedByTheirSourceFile)
{
    halsteadResults["\\WORK\\SRC\\A.C"] = {10, 8, 30, 20, 100, 60, 5, 20, 15, 7};
    pass({definedAt(function("h1", {}), incDir, "B.H", 3), node(INIT_DECLARATOR, {id("v")}),
          definedAt(function("main", {node(RETURN, {node(OCTAL_CONSTANT)})}), srcDir, "A.C", 10),
          definedAt(function(nullptr, {}), srcDir, "A.C", 20), definedAt(function("h2", {}), incDir, "B.H", 7)});
    // The file met last is scanned first, then merged first.
    EXPECT_EQ(halsteadCalls, (std::vector<std::string>{"\\WORK\\SRC\\A.C", "\\WORK\\INC\\B.H"}));
    EXPECT_EQ(listing(), "\\WORK\\INC\\B.H#0[h2@7 h1@3] \\WORK\\SRC\\A.C#0[@20 main@10] ");

    const MetFile *a = runList->next->file;
    EXPECT_EQ(a->path.toStdString(), "\\WORK\\SRC\\A.C");
    const char *names[] = {"n1", "n2", "N1", "N2", "Total", "Src1", "Src2", "Comment1", "Comment2", "Empty"};
    const int values[] = {10, 8, 30, 20, 100, 60, 5, 20, 7, 15};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(fileMetric(a, names[i]), values[i]) << names[i];
    EXPECT_EQ(a->errorCount, 0);
    const SourceItem *m = a->items->next;
    EXPECT_EQ(m->type, ITEM_FUNCTION);
    EXPECT_EQ(m->metrics[10].value, 1);   // VG
    EXPECT_EQ(m->metrics[11].value, -1);  // EXTCOMPCALL is never computed
    EXPECT_EQ(m->metrics[13].value, 1);   // Statements
    EXPECT_EQ(m->metrics[14].value, 1);   // NestedLevel
    EXPECT_FALSE(a->items->name.isNull());
}

// Paths spelt differently that name one file (a "." component, another
// letter case) split to one pair and make one metrics file; files met again
// after others find their entry again.
TEST_F(MetricsPass, SpellingsOfOneFileShareItsEntry)
{
    auto split = [](SyntaxNode *f, const char *path, int line) {
        _AlphaType *file, *directory;
        splitSourcePath(path, &file, &directory);
        f->start = NodePosition{line, 0, 0, InternPlace(file, directory, 0)};
        return f;
    };
    pass({definedAt(function("f1", {}), srcDir, "A.C", 1), definedAt(function("g1", {}), incDir, "B.H", 2),
          split(function("f2", {}), "\\WORK\\SRC\\.\\a.c", 3), definedAt(function("g2", {}), incDir, "B.H", 4),
          split(function("f3", {}), "\\work\\src\\A.C", 5)});
    EXPECT_EQ(listing(), "\\WORK\\SRC\\A.C#0[f3@5 f2@3 f1@1] \\WORK\\INC\\B.H#0[g2@4 g1@2] ");
    EXPECT_EQ(halsteadCalls.size(), 2u);
}

TEST_F(MetricsPass, StandardIncludesAndRestrictions)
{
    auto three = [] {
        return std::vector<SyntaxNode *>{definedAt(function("s", {}), sysDir, "STDIO.H", 1),
                                         definedAt(function("h", {}), incDir, "B.H", 2),
                                         definedAt(function("m", {}), srcDir, "A.C", 3)};
    };
    // A standard-include directory wins over a matching restriction.
    pass(three(), prefixes({"\\USR\\", "\\WORK\\INC\\"}), prefixes({"\\USR\\INCLUDE"}));
    EXPECT_EQ(listing(), "\\WORK\\INC\\B.H#0[h@2] ");
    releaseMetFileEntries(runList);
    runList = nullptr;

    // A directory prefix with its separator, a full path; a part that does
    // not lead the path, or differs in case, matches nothing.
    pass(three(), prefixes({"SRC", "\\WORK\\SRC\\"}), prefixes({sysDir}));
    EXPECT_EQ(listing(), "\\WORK\\SRC\\A.C#0[m@3] ");
    pass(three(), prefixes({"WORK\\", "\\work\\", "\\WORK\\INC\\B.H"}), prefixes({sysDir}));
    EXPECT_EQ(listing(), "\\WORK\\INC\\B.H#0[h@2] \\WORK\\SRC\\A.C#0[m@3] ");
    EXPECT_EQ(halsteadCalls.size(), 2u);  // B.H keeps the counts of its first pass

    // Everything filtered out: no entry, no Halstead pass.
    pass({definedAt(function("s", {}), sysDir, "STDIO.H", 1)}, nullptr, prefixes({sysDir}));
    pass({node(INIT_DECLARATOR, {id("x")})});
    EXPECT_EQ(halsteadCalls.size(), 2u);
    EXPECT_EQ(listing(), "\\WORK\\INC\\B.H#0[h@2] \\WORK\\SRC\\A.C#0[m@3] ");
}

TEST_F(MetricsPass, VariantsOfAHeaderAcrossInputs)
{
    auto header = [](int line) { return definedAt(function("h", {}), incDir, "B.H", line); };
    auto main = [](const char *name) { return definedAt(function(name, {}), srcDir, name, 1); };
    pass({header(3), main("A.C")});
    pass({header(3), main("C.C")});  // same variant: released
    EXPECT_EQ(listing(), "\\WORK\\SRC\\C.C#0[C.C@1] \\WORK\\INC\\B.H#0[h@3] \\WORK\\SRC\\A.C#0[A.C@1] ");
    pass({header(5), main("D.C")});  // another set of lines: variant #1
    pass({header(3), main("E.C")});  // equal to the first variant again
    pass({header(5), header(9)});    // a third variant
    EXPECT_EQ(listing(), "\\WORK\\INC\\B.H#2[h@9 h@5] \\WORK\\SRC\\E.C#0[E.C@1] \\WORK\\INC\\B.H#1[h@5] "
                         "\\WORK\\SRC\\D.C#0[D.C@1] \\WORK\\SRC\\C.C#0[C.C@1] \\WORK\\INC\\B.H#0[h@3] "
                         "\\WORK\\SRC\\A.C#0[A.C@1] ");

    // Different file-level counts make a different variant only through the
    // items: file values take no part in the comparison.
    halsteadResults["\\WORK\\INC\\B.H"] = {5, 5, 5, 5, 5, 5, 5, 5, 5, 5};
    const std::string before = listing();
    pass({header(3)});
    EXPECT_EQ(listing(), before);
}

// A file measured from several inputs is scanned once, unless its pass said
// something: then every pass runs, and says it again.
TEST_F(MetricsPass, QuietPassesAreNotRepeated)
{
    halsteadWarnings.insert("\\WORK\\SRC\\A.C");
    auto both = [] {
        return std::vector<SyntaxNode *>{definedAt(function("h", {}), incDir, "B.H", 2),
                                         definedAt(function("m", {}), srcDir, "A.C", 3)};
    };
    int errors = 0, warningsBefore = 0, warningsAfter = 0;
    messageCounts(errors, warningsBefore);
    pass(both());
    pass(both());
    pass(both());
    messageCounts(errors, warningsAfter);
    EXPECT_EQ(halsteadCalls, (std::vector<std::string>{"\\WORK\\SRC\\A.C", "\\WORK\\INC\\B.H", "\\WORK\\SRC\\A.C",
                                                       "\\WORK\\SRC\\A.C"}));
    EXPECT_EQ(warningsAfter - warningsBefore, 3);
    forgetFileCounts();
    pass(both());
    EXPECT_EQ(halsteadCalls.size(), 6u);
}

TEST_F(MetricsPass, AListFromElsewhereIsTakenAsItIs)
{
    // The pass must not trust anything but the list it is handed.
    pass({definedAt(function("h", {}), incDir, "B.H", 3)});
    releaseMetFileEntries(runList);
    runList = nullptr;
    pass({definedAt(function("h", {}), incDir, "B.H", 3)});
    EXPECT_EQ(listing(), "\\WORK\\INC\\B.H#0[h@3] ");
    MetFileEntry *other = runList;
    runList = nullptr;
    pass({definedAt(function("h", {}), incDir, "B.H", 4)});
    EXPECT_EQ(listing(), "\\WORK\\INC\\B.H#0[h@4] ");
    releaseMetFileEntries(other);
}

}  // namespace
