// The metrics pass over one syntax tree: picks the measured function
// definitions, groups them by source file, computes VG, Statements and
// NestedLevel per function, adds the Halstead and line counts per file and
// merges the files into the run's metrics-file list.
#include "metrics/metgen.h"

#include "frontend/arbre.h"
#include "frontend/kinds.h"
#include "frontend/stx_c_actions.h"
#include "metfile/metfile.h"
#include "metfile/writeMetricsApi.h"
#include "metrics/halstead.h"
#include "support/alpha.h"
#include "support/files.h"
#include "support/machine.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include <array>
#include <cstring>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

// ---- VG, Statements and NestedLevel --------------------------------------

// VG counts the function itself and every decision below it.
static constexpr bool isDecision(int kind)
{
    switch (kind) {
    case FUNCTION_DEFINITION:
    case IF:
    case WHILE:
    case DO:
    case FOR:
    case SWITCH:
    case CASE:
    case AND_AND:
    case OR_OR:
    case QUESTION: return true;
    default: return false;
    }
}

struct StatementClass {
    int statements;
    int step;
};

static constexpr StatementClass classifyStatement(int kind)
{
    switch (kind) {
    case BREAK:
    case CASE:
    case RETURN:
    case CONTINUE:
    case DEFAULT:
    case GOTO:
    case LEAVE:
    case EXPRESSION_STATEMENT: return {1, 0};
    case SWITCH:
    case FOR:
    case DO:
    case IF:
    case WHILE:
    case TRY:
    case EXCEPT:
    case FINALLY: return {1, 1};
    case QUESTION: return {0, 1};
    default: return {0, 0};
    }
}

// What one node adds, by kind: the classifications above in one table, so
// the walk over every node of a function does a single lookup per node.
struct KindMeasure {
    int8_t decision;
    int8_t statements;
    int8_t step;
};
using KindTable = std::array<KindMeasure, LAST_KIND + 1>;

static constexpr KindTable buildKindTable()
{
    KindTable table{};
    for (int kind = 0; kind <= LAST_KIND; ++kind) {
        const StatementClass c = classifyStatement(kind);
        table[kind] = {static_cast<int8_t>(isDecision(kind)), static_cast<int8_t>(c.statements),
                       static_cast<int8_t>(c.step)};
    }
    return table;
}

static constexpr KindTable kindTable = buildKindTable();

[[noreturn, gnu::cold, gnu::noinline]] static void kindOutOfRange(int kind)
{
    reportInternal(QStringLiteral("Node kind out of range: %1").arg(kind));
}

static const KindMeasure &measureOf(int kind)
{
    if (static_cast<unsigned>(kind) > LAST_KIND) kindOutOfRange(kind);
    return kindTable[kind];
}

// One preorder walk over the function and everything below it (not its own
// siblings), a sibling chain at a time. Every node reaches the maximum with
// its own level plus its step, where its level is 1 plus the steps of its
// ancestors, so the order of visits does not change the results. The
// explicit stack of chains still to walk keeps deep input safe and is reused
// between functions.
FunctionMetrics measureFunction(const SyntaxNode *function)
{
    static std::vector<std::pair<const SyntaxNode *, int>> pending;
    if (!function) return FunctionMetrics{0, 0, 0};
    const KindMeasure &own = measureOf(function->kind);
    FunctionMetrics m{own.decision, own.statements, 0};
    int deepest = 1 + own.step;
    pending.clear();
    if (function->child) pending.emplace_back(function->child, deepest);
    while (!pending.empty()) {
        const auto [chain, level] = pending.back();
        pending.pop_back();
        for (const SyntaxNode *node = chain; node; node = node->next) {
            const KindMeasure &k = measureOf(node->kind);
            m.vg += k.decision;
            m.statements += k.statements;
            const int below = level + k.step;
            if (deepest < below) deepest = below;
            if (node->child) pending.emplace_back(node->child, below);
        }
    }
    m.nestedLevel = m.statements == 0 ? 0 : deepest;
    if (pending.capacity() > 65536) std::vector<std::pair<const SyntaxNode *, int>>().swap(pending);
    return m;
}

// ---- Filters ---------------------------------------------------------------

static bool startsWithAny(const char *text, const CountedList *prefixes)
{
    for (; prefixes; prefixes = prefixes->next) {
        const _AlphaType *prefix = static_cast<const _AlphaType *>(prefixes->item);
        if (std::strncmp(text, prefix->text, prefix->length) == 0) return true;
    }
    return false;
}

// The standard-include directories, indexed: a run may collect tens of
// thousands. Each one the pragma makes ends with a backslash, so a
// directory begins with it exactly when one of the directory's own
// backslash-ended beginnings equals it; entries of another shape are
// compared one by one.
class DirectoryIndex {
public:
    explicit DirectoryIndex(const CountedList *list)
    {
        for (; list; list = list->next) {
            const _AlphaType *entry = static_cast<const _AlphaType *>(list->item);
            if (entry->length > 0 && entry->text[entry->length - 1] == '\\')
                ending_.emplace(entry->text, entry->length);
            else others_.push_back(entry);
        }
    }
    bool covers(const char *dir) const
    {
        if (!ending_.empty()) {
            for (const char *p = std::strchr(dir, '\\'); p; p = std::strchr(p + 1, '\\'))
                if (ending_.count(std::string_view(dir, static_cast<std::size_t>(p - dir) + 1))) return true;
        }
        for (const _AlphaType *entry : others_)
            if (std::strncmp(dir, entry->text, entry->length) == 0) return true;
        return false;
    }

private:
    std::unordered_set<std::string_view> ending_;
    std::vector<const _AlphaType *> others_;
};

static bool isMeasured(const char *dir, const char *path, const CountedList *restrictPrefixes,
                       const DirectoryIndex &standardDirectories)
{
    if (standardDirectories.covers(dir)) return false;
    return !restrictPrefixes || startsWithAny(path, restrictPrefixes);
}

// ---- The pass list ---------------------------------------------------------

// Functions are grouped by the interned (file name, directory) pair of their
// position: the split that made the pair is the file's identity, so the
// pair alone finds the file's entry. Every file met gets an entry; the
// filters, which depend on the file alone, are applied to the entries once
// the whole input has been read (a pragma late in the input still counts for
// the functions before it).
using SourcePair = QPair<const _AlphaType *, const _AlphaType *>;
struct PassList {
    MetFileEntry *head = nullptr;
    QHash<SourcePair, MetFileEntry *> byFile;
};

// The entries of the input being parsed, when its definitions are measured
// as the parser completes them.
static PassList pending;

static MetFileEntry *newEntry(const _AlphaType *name, const _AlphaType *directory, MetFileEntry *next)
{
    char *path = joinPath(directory->text, name->text);
    return new MetFileEntry{name, directory, path, 0, createMetFile(QString::fromLocal8Bit(path)), next};
}

static MetFileEntry *findOrAddEntry(PassList &pass, const SourcePosition &where)
{
    MetFileEntry *&entry = pass.byFile[SourcePair(where.file, where.directory)];
    if (!entry) {
        entry = newEntry(where.file, where.directory, pass.head);
        pass.head = entry;
    }
    return entry;
}

static void addFunctionItem(MetFile *file, const SyntaxNode *function)
{
    const QString name = function->alpha ? QString::fromLocal8Bit(function->alpha->text) : QString("");
    SourceItem *item = addSourceItem(file, nullptr, ITEM_FUNCTION, function->start.line, name);
    const FunctionMetrics m = measureFunction(function);
    setItemMetric(item, QStringLiteral("VG"), m.vg);
    setItemMetric(item, QStringLiteral("Statements"), m.statements);
    setItemMetric(item, QStringLiteral("NestedLevel"), m.nestedLevel);
}

static void collectFunction(PassList &pass, const SyntaxNode *node)
{
    if (node->kind != FUNCTION_DEFINITION) return;
    const SourcePosition start = ExpandPosition(node->start);
    if (!start.file || !start.directory) reportInternal(QStringLiteral("Function definition without a source file"));
    addFunctionItem(findOrAddEntry(pass, start)->file, node);
}

void measureDefinition(const SyntaxNode *definition)
{
    for (const SyntaxNode *node = definition; node; node = node->next) collectFunction(pending, node);
}

static void releaseEntry(MetFileEntry *entry)
{
    freeMetFile(entry->file);
    releaseBlock(entry->path);
    delete entry;
}

// Drops the entries of files that are not measured; the others keep their order.
static void applyFilters(PassList &pass, const CountedList *restrictPrefixes, const CountedList *fileListDirectives)
{
    const DirectoryIndex standardDirectories(fileListDirectives);
    MetFileEntry **link = &pass.head;
    while (MetFileEntry *entry = *link) {
        if (isMeasured(entry->directory->text, entry->path, restrictPrefixes, standardDirectories)) {
            link = &entry->next;
            continue;
        }
        *link = entry->next;
        releaseEntry(entry);
    }
}

// ---- File metrics ----------------------------------------------------------

static void setCountedMetric(MetFile *file, const char *name, int32_t value, const char *failure)
{
    if (setFileMetric(file, QString::fromLatin1(name), value) != 0)
        addFileError(file, translateText("Metrics", failure));
}

// The counts of every file whose pass said nothing, by path, for the rest of
// the run: a header with inline functions is measured again for each input
// that includes it, and its text is read once. A pass that warned or failed
// runs again, so that its messages come again as well.
static QHash<QByteArray, HalsteadCounts> quietCounts;

static HalsteadCounts halsteadCountsOf(const MetFileEntry *entry)
{
    // By the file that is read: a.c and A.c share their program path.
    const char *written = writtenSourcePath(entry->name, entry->directory);
    const QByteArray key(written ? written : entry->path);
    auto known = quietCounts.constFind(key);
    if (known != quietCounts.constEnd()) return known.value();
    int errors = 0, warnings = 0, errorsAfter = 0, warningsAfter = 0;
    messageCounts(errors, warnings);
    HalsteadCounts counts{};
    runHalsteadPass(entry->path, written, &counts);
    messageCounts(errorsAfter, warningsAfter);
    if (errorsAfter == errors && warningsAfter == warnings) quietCounts.insert(key, counts);
    return counts;
}

void forgetFileCounts() { quietCounts = QHash<QByteArray, HalsteadCounts>(); }

static void addFileMetrics(MetFileEntry *entry)
{
    const HalsteadCounts c = halsteadCountsOf(entry);
    MetFile *f = entry->file;
    setCountedMetric(f, "n1", c.n1, QT_TRANSLATE_NOOP("Metrics", "Unable to set n1 metric value"));
    setCountedMetric(f, "n2", c.n2, QT_TRANSLATE_NOOP("Metrics", "Unable to set n2 metric value"));
    setCountedMetric(f, "N1", c.N1, QT_TRANSLATE_NOOP("Metrics", "Unable to set N1 metric value"));
    setCountedMetric(f, "N2", c.N2, QT_TRANSLATE_NOOP("Metrics", "Unable to set N2 metric value"));
    setCountedMetric(f, "Total", c.Total, QT_TRANSLATE_NOOP("Metrics", "Unable to set Total metric value"));
    setCountedMetric(f, "Src1", c.Src1, QT_TRANSLATE_NOOP("Metrics", "Unable to set Src1 metric value"));
    setCountedMetric(f, "Src2", c.Src2, QT_TRANSLATE_NOOP("Metrics", "Unable to set Src2 metric value"));
    setCountedMetric(f, "Comment1", c.Comment1, QT_TRANSLATE_NOOP("Metrics", "Unable to set Comment1 metric value"));
    setCountedMetric(f, "Comment2", c.Comment2, QT_TRANSLATE_NOOP("Metrics", "Unable to set Comment2 metric value"));
    setCountedMetric(f, "Empty", c.Empty, QT_TRANSLATE_NOOP("Metrics", "Unable to set Empty metric value"));
}

// ---- Merge into the run's list --------------------------------------------

// The run's list can hold thousands of variants of one file; comparing a new
// one with each would make a long run quadratic. The index keeps each
// entry's fingerprint beside it, so a new variant is compared only with
// those whose fingerprint matches (sameMetFile still decides), and counts
// the entries of each file. It is trusted while the list's head is the one
// left by the last merge (only this pass extends the list); otherwise it is
// rebuilt from the list.
using VariantKey = QPair<SourcePair, quint64>;
struct RunIndex {
    const MetFileEntry *head = nullptr;
    // By the file's pair, which tells files apart byte for byte: a name that
    // is not text in the local encoding reads as replacement characters in
    // the model, and two such files must not meet.
    QHash<VariantKey, QVector<const MetFileEntry *>> byFingerprint;
    QHash<SourcePair, int> entriesOfFile;
};
static RunIndex runIndex;

static VariantKey variantKey(const MetFileEntry *entry)
{
    return VariantKey(SourcePair(entry->name, entry->directory), metFileFingerprint(entry->file));
}

static void indexEntry(const MetFileEntry *entry, const VariantKey &key)
{
    runIndex.byFingerprint[key].append(entry);
    ++runIndex.entriesOfFile[key.first];
}

static void refreshRunIndex(MetFileEntry *list)
{
    if (list == runIndex.head) return;
    runIndex = RunIndex();
    for (const MetFileEntry *e = list; e; e = e->next) indexEntry(e, variantKey(e));
    runIndex.head = list;
}

static void mergeEntry(MetFileEntry **runList, MetFileEntry *entry)
{
    const VariantKey key = variantKey(entry);
    for (const MetFileEntry *known : runIndex.byFingerprint.value(key)) {
        if (sameMetFile(known->file, entry->file)) {
            releaseEntry(entry);
            return;
        }
    }
    entry->duplicate = runIndex.entriesOfFile.value(key.first);
    indexEntry(entry, key);
    entry->next = *runList;
    *runList = entry;
    runIndex.head = entry;
}

void computeFileMetrics(const SyntaxNode *root, MetFileEntry **runList, CountedList *restrictPrefixes,
                        CountedList *fileListDirectives)
{
    PassList pass;
    std::swap(pass, pending);
    for (const SyntaxNode *node = root ? root->child : nullptr; node; node = node->next) collectFunction(pass, node);
    applyFilters(pass, restrictPrefixes, fileListDirectives);
    for (MetFileEntry *e = pass.head; e; e = e->next) addFileMetrics(e);
    refreshRunIndex(*runList);
    MetFileEntry *entry = pass.head;
    while (entry) {
        MetFileEntry *next = entry->next;
        mergeEntry(runList, entry);
        entry = next;
    }
}
