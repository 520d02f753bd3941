// The in-memory metrics model of one source file: its identity, its tree of
// items with their metric values and calls, the file-level values and an
// error output. General enough for the program units of other languages.
#pragma once

#include <QString>
#include <cstdint>

struct MetricDescriptor {
    const char *name;
    int32_t group;  // 0 structural, 1 Halstead counts, 2 line counts, 3 statement structure
    int32_t optional;
};
enum { METRIC_COUNT = 15, FILE_METRIC_COUNT = 10 };
extern const MetricDescriptor metricDescriptors[METRIC_COUNT];

// Arrays end with a slot whose descriptor is null; -1 means "not set".
struct MetricValue {
    int32_t value;
    const MetricDescriptor *descriptor;
};

struct Calls {
    Calls *next;
    QString name;
    QString className;  // may be null
};

enum ItemType : int32_t {
    ITEM_CLASS = 0,
    ITEM_METHOD = 1,
    ITEM_FUNCTION = 2,
    ITEM_CONSTRUCTOR = 18,
    ITEM_DESTRUCTOR = 19,
    ITEM_TYPE_COUNT = 31
};
// Element name of an item type; "" for an unknown type.
const char *itemTypeName(int32_t type);

struct SourceItem {
    int32_t type;
    int32_t line;
    QString name;
    QString className;     // null unless set
    MetricValue *metrics;  // owned, 15 slots + end slot
    Calls *calls;
    SourceItem *children;
    SourceItem *next;
};

struct MetFile {
    QString path;
    QString fileName;
    QString dirPath;
    int32_t errorCount;
    QString errorText;
    SourceItem *items;
    MetricValue *metrics;  // owned, 10 slots + end slot
    int32_t writeOptionalMetrics;
};

MetFile *createMetFile(const QString &path);
SourceItem *addSourceItem(MetFile *file, SourceItem *parent, int32_t type, int32_t line, const QString &name);
int setFileMetric(MetFile *file, const QString &name, int32_t value);
int setItemMetric(SourceItem *item, const QString &name, int32_t value);
void addFileError(MetFile *file, const QString &text);
bool sameMetFile(const MetFile *a, const MetFile *b);
// Equal for files that sameMetFile finds equal; rarely equal otherwise.
quint64 metFileFingerprint(const MetFile *file);
void freeMetFile(MetFile *file);
