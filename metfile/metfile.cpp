// The metrics model: descriptor table, metric arrays, files, items and their
// comparison and release. Item trees are walked with explicit stacks because
// their depth is whatever the analysed source makes it.
#include "metfile/metfile.h"

#include "support/machine.h"
#include "support/platform.h"

#include <QDir>
#include <QHash>

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

const MetricDescriptor metricDescriptors[METRIC_COUNT] = {
    {"n1", 1, 0},   {"n2", 1, 0},          {"N1", 1, 0},        {"N2", 1, 0},         {"Total", 2, 0},
    {"Src1", 2, 0}, {"Src2", 2, 0},        {"Comment1", 2, 0},  {"Comment2", 2, 0},   {"Empty", 2, 0},
    {"VG", 0, 0},   {"EXTCOMPCALL", 0, 1}, {"EXTVARUSE", 0, 1}, {"Statements", 3, 0}, {"NestedLevel", 3, 0},
};

static const char *const itemTypeNames[ITEM_TYPE_COUNT] = {
    "CLASS",          "METHOD",
    "FUNCTION",       "PROCEDURE",
    "INTERFACE",      "PACKAGE_SPEC",
    "PACKAGE",        "PACKAGE_GEN",
    "PACKAGE_INST",   "TASK_TYPE",
    "TASK_OBJECT",    "TASK",
    "FUNCTION_DECL",  "FUNCTION_GEN",
    "FUNCTION_INST",  "PROCEDURE_DECL",
    "PROCEDURE_GEN",  "PROCEDURE_INST",
    "CONSTRUCTOR",    "DESTRUCTOR",
    "PROTECTED_TYPE", "PROTECTED_OBJECT",
    "PROTECTED",      "ENTRY_DECL",
    "ENTRY_BODY",     "LABEL",
    "DECLARE",        "STATE",
    "TRANSITION",     "CAPSULE",
    "CHOICE_POINT",
};

const char *itemTypeName(int32_t type)
{
    if (type < 0 || type >= ITEM_TYPE_COUNT) return "";
    return itemTypeNames[type];
}

// count descriptors from the start of the table, then the null end slot.
static MetricValue *newMetricArray(int count)
{
    MetricValue *values = new MetricValue[count + 1];
    for (int i = 0; i < count; ++i) values[i] = {-1, &metricDescriptors[i]};
    values[count] = {-1, nullptr};
    return values;
}

// The file name and the absolute folder of a path, in the host's form: the
// platform's separators, and a folder that is not absolute (a drive letter
// means nothing to the host) taken relative to the current one.
static void setHostParts(MetFile *file)
{
    const QString host = QString::fromLocal8Bit(plainHostPath(file->path.toLocal8Bit().constData()).c_str());
    const qsizetype slash = host.lastIndexOf(QLatin1Char('/'));
    file->fileName = host.mid(slash + 1);
    const QString folder = host.left(slash > 0 ? slash : slash + 1);
    file->dirPath = folder.startsWith(QLatin1Char('/')) ? folder : QDir::current().absoluteFilePath(folder);
}

MetFile *createMetFile(const QString &path)
{
    MetFile *file = new MetFile;
    file->path = path;
    setHostParts(file);
    file->errorCount = 0;
    file->items = nullptr;
    file->metrics = newMetricArray(FILE_METRIC_COUNT);
    file->writeOptionalMetrics = 1;
    return file;
}

SourceItem *addSourceItem(MetFile *file, SourceItem *parent, int32_t type, int32_t line, const QString &name)
{
    SourceItem *item = new SourceItem;
    item->type = type;
    item->line = line;
    item->name = name;
    item->metrics = newMetricArray(METRIC_COUNT);
    item->calls = nullptr;
    item->children = nullptr;
    item->next = nullptr;
    if (file) {
        item->next = file->items;
        file->items = item;
    } else if (parent) {
        item->next = parent->children;
        parent->children = item;
    }
    return item;
}

// The descriptor of a metric name, or null; one hash lookup instead of a
// text comparison per descriptor (every measured function sets three).
static const MetricDescriptor *descriptorNamed(const QString &name)
{
    static const QHash<QString, const MetricDescriptor *> byName = [] {
        QHash<QString, const MetricDescriptor *> table;
        for (const MetricDescriptor &d : metricDescriptors) table.insert(QString::fromLatin1(d.name), &d);
        return table;
    }();
    return byName.value(name, nullptr);
}

static int setMetric(MetricValue *values, const QString &name, int32_t value)
{
    const MetricDescriptor *descriptor = values ? descriptorNamed(name) : nullptr;
    if (descriptor) {
        for (int i = 0; i < METRIC_COUNT && values[i].descriptor; ++i) {
            if (values[i].descriptor == descriptor) {
                values[i].value = value;
                return 0;
            }
        }
    }
    // Deliberately outside the message service: not counted, not fatal.
    const QString text =
        translateText("Warning", "Warning : unknown metric name [%1]\n", "%1 is the metric name").arg(name);
    std::fputs(text.toLocal8Bit().constData(), stderr);
    return 1;
}

int setFileMetric(MetFile *file, const QString &name, int32_t value)
{
    return setMetric(file ? file->metrics : nullptr, name, value);
}

int setItemMetric(SourceItem *item, const QString &name, int32_t value)
{
    return setMetric(item ? item->metrics : nullptr, name, value);
}

void addFileError(MetFile *file, const QString &text)
{
    if (!file) return;
    file->errorCount += 1;
    if (file->errorText.isEmpty()) file->errorText = text;
    else file->errorText += QLatin1Char('\n') + text;
}

static int listLength(const SourceItem *item)
{
    int n = 0;
    for (; item; item = item->next) ++n;
    return n;
}

static bool sameClassName(const QString &a, const QString &b)
{
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    return a == b;
}

static bool sameMetricValues(const MetricValue *a, const MetricValue *b)
{
    for (; a->descriptor && b->descriptor; ++a, ++b)
        if (a->value != b->value) return false;
    return true;
}

// Type, line, class name, presence of children and metric values; names are
// deliberately left out so a renamed function is still the same variant.
static bool sameItem(const SourceItem *x, const SourceItem *y)
{
    return x->type == y->type && x->line == y->line && sameClassName(x->className, y->className) &&
           (x->children != nullptr) == (y->children != nullptr) && sameMetricValues(x->metrics, y->metrics);
}

// Lists compare pairwise, level by level. Equal lengths at the head imply
// equal lengths for every remainder, so each list is counted once.
static bool sameItemLists(const SourceItem *x, const SourceItem *y)
{
    if (!x || !y) return x == y;
    std::vector<std::pair<const SourceItem *, const SourceItem *>> pending{{x, y}};
    while (!pending.empty()) {
        auto [a, b] = pending.back();
        pending.pop_back();
        if (listLength(a) != listLength(b)) return false;
        for (; a; a = a->next, b = b->next) {
            if (!sameItem(a, b)) return false;
            if (a->children) pending.emplace_back(a->children, b->children);
        }
    }
    return true;
}

bool sameMetFile(const MetFile *a, const MetFile *b) { return a->path == b->path && sameItemLists(a->items, b->items); }

// FNV-1a over what sameMetFile compares, in the order it compares it.
struct Fingerprint {
    quint64 value = 1469598103934665603ull;
    void add(quint64 word)
    {
        for (int i = 0; i < 8; ++i, word >>= 8) value = (value ^ (word & 0xFF)) * 1099511628211ull;
    }
};

quint64 metFileFingerprint(const MetFile *file)
{
    Fingerprint f;
    f.add(qHash(file->path));
    std::vector<const SourceItem *> pending;
    if (file->items) pending.push_back(file->items);
    while (!pending.empty()) {
        const SourceItem *item = pending.back();
        pending.pop_back();
        f.add(static_cast<quint64>(listLength(item)));
        for (; item; item = item->next) {
            f.add(static_cast<quint64>(static_cast<quint32>(item->type)) << 32 | static_cast<quint32>(item->line));
            f.add(item->className.isNull() ? 0 : qHash(item->className) + 1);
            f.add(item->children != nullptr);
            for (const MetricValue *m = item->metrics; m->descriptor; ++m) f.add(static_cast<quint32>(m->value));
            if (item->children) pending.push_back(item->children);
        }
    }
    return f.value;
}

static void freeCalls(Calls *call)
{
    while (call) {
        Calls *next = call->next;
        delete call;
        call = next;
    }
}

void freeMetFile(MetFile *file)
{
    if (!file) return;
    std::vector<SourceItem *> pending;
    if (file->items) pending.push_back(file->items);
    while (!pending.empty()) {
        SourceItem *item = pending.back();
        pending.pop_back();
        if (item->next) pending.push_back(item->next);
        if (item->children) pending.push_back(item->children);
        freeCalls(item->calls);
        delete[] item->metrics;
        delete item;
    }
    delete[] file->metrics;
    delete file;
}
