// The metrics model: metric arrays and names, item order, error output,
// variant equality and the release of deep item trees.
#include "metfile/metfile.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

int metricValue(const MetricValue *values, const char *name)
{
    for (; values->descriptor; ++values)
        if (std::strcmp(values->descriptor->name, name) == 0) return values->value;
    ADD_FAILURE() << "no slot " << name;
    return -2;
}

TEST(MetricsModel, FileArrayHoldsOnlyTheTenFileMetrics)
{
    MetFile *f = createMetFile(QStringLiteral("\\HOME\\U\\P\\A.C"));
    int count = 0;
    for (const MetricValue *v = f->metrics; v->descriptor; ++v, ++count) EXPECT_EQ(v->value, -1);
    EXPECT_EQ(count, 10);
    EXPECT_EQ(f->writeOptionalMetrics, 1);
    EXPECT_EQ(f->errorCount, 0);
    EXPECT_TRUE(f->errorText.isNull());

    EXPECT_EQ(setFileMetric(f, "Total", 12), 0);
    EXPECT_EQ(metricValue(f->metrics, "Total"), 12);

    testing::internal::CaptureStderr();
    EXPECT_EQ(setFileMetric(f, "VG", 3), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Warning : unknown metric name [VG]\n");
    freeMetFile(f);
}

TEST(MetricsModel, ItemNamesCompareByteForByte)
{
    SourceItem *item = addSourceItem(nullptr, nullptr, ITEM_FUNCTION, 4, "f");
    testing::internal::CaptureStderr();
    EXPECT_EQ(setItemMetric(item, "vg", 2), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Warning : unknown metric name [vg]\n");
    EXPECT_EQ(setItemMetric(item, "VG", 2), 0);
    EXPECT_EQ(setItemMetric(item, "NestedLevel", 5), 0);
    EXPECT_EQ(metricValue(item->metrics, "VG"), 2);
    EXPECT_EQ(metricValue(item->metrics, "NestedLevel"), 5);
    EXPECT_EQ(metricValue(item->metrics, "n1"), -1);
    // An unattached item is released through a file that adopts it.
    MetFile *f = createMetFile("X.C");
    f->items = item;
    freeMetFile(f);
}

// Name and Dir in the host's form; a folder the host does not see as
// absolute (a drive letter, none at all) lies below the current one.
TEST(MetricsModel, NameAndDirComeFromThePath)
{
    const QString here = QDir::currentPath();
    const struct {
        const char *path, *name;
        QString dir;
    } cases[] = {
        {"\\HOME\\U\\P\\A.C", "A.C", "/HOME/U/P"},
        {"\\A.C", "A.C", "/"},
        {"C:\\SRC\\B.H", "B.H", here + "/C:/SRC"},
        {"X.C", "X.C", here},
    };
    for (const auto &c : cases) {
        MetFile *f = createMetFile(QString::fromLatin1(c.path));
        EXPECT_EQ(f->path, QString::fromLatin1(c.path));
        EXPECT_EQ(f->fileName, QString::fromLatin1(c.name)) << c.path;
        EXPECT_EQ(f->dirPath, c.dir) << c.path;
        freeMetFile(f);
    }
}

TEST(MetricsModel, ItemsStandNewestFirst)
{
    MetFile *f = createMetFile("\\S\\M.C");
    addSourceItem(f, nullptr, ITEM_FUNCTION, 1, "a");
    addSourceItem(f, nullptr, ITEM_FUNCTION, 2, "b");
    SourceItem *c = addSourceItem(f, nullptr, ITEM_CLASS, 3, "c");
    addSourceItem(nullptr, c, ITEM_METHOD, 4, "m1");
    addSourceItem(nullptr, c, ITEM_METHOD, 5, "m2");
    ASSERT_EQ(f->items, c);
    EXPECT_EQ(c->next->name, "b");
    EXPECT_EQ(c->next->next->name, "a");
    EXPECT_EQ(c->next->next->next, nullptr);
    EXPECT_EQ(c->children->name, "m2");
    EXPECT_EQ(c->children->next->name, "m1");
    EXPECT_TRUE(c->className.isNull());
    EXPECT_EQ(c->calls, nullptr);
    freeMetFile(f);
}

TEST(MetricsModel, ErrorsAccumulateLineByLine)
{
    addFileError(nullptr, "ignored");
    MetFile *f = createMetFile("\\S\\M.C");
    addFileError(f, "first");
    addFileError(f, "second");
    EXPECT_EQ(f->errorCount, 2);
    EXPECT_EQ(f->errorText, "first\nsecond");
    freeMetFile(f);

    // An empty first text leaves nothing to join to.
    f = createMetFile("\\S\\M.C");
    addFileError(f, "");
    addFileError(f, "only");
    EXPECT_EQ(f->errorCount, 2);
    EXPECT_EQ(f->errorText, "only");
    freeMetFile(f);
}

MetFile *fileWithFunctions(const QString &path, std::initializer_list<std::pair<int, int>> lineAndVg,
                           const char *name = "f")
{
    MetFile *f = createMetFile(path);
    for (auto [line, vg] : lineAndVg) setItemMetric(addSourceItem(f, nullptr, ITEM_FUNCTION, line, name), "VG", vg);
    return f;
}

TEST(MetricsModel, VariantsCompareByShapeNotByName)
{
    MetFile *a = fileWithFunctions("\\S\\H.H", {{3, 1}}, "f");
    MetFile *sameButRenamed = fileWithFunctions("\\S\\H.H", {{3, 1}}, "g");
    MetFile *otherLine = fileWithFunctions("\\S\\H.H", {{4, 1}});
    MetFile *otherValue = fileWithFunctions("\\S\\H.H", {{3, 2}});
    MetFile *twoItems = fileWithFunctions("\\S\\H.H", {{3, 1}, {3, 1}});
    MetFile *otherPath = fileWithFunctions("\\T\\H.H", {{3, 1}});
    EXPECT_TRUE(sameMetFile(a, sameButRenamed));
    EXPECT_FALSE(sameMetFile(a, otherLine));
    EXPECT_FALSE(sameMetFile(a, otherValue));
    EXPECT_FALSE(sameMetFile(a, twoItems));
    EXPECT_FALSE(sameMetFile(twoItems, a));
    EXPECT_FALSE(sameMetFile(a, otherPath));

    // File-level values and errors take no part.
    setFileMetric(sameButRenamed, "Total", 9);
    addFileError(sameButRenamed, "x");
    EXPECT_TRUE(sameMetFile(a, sameButRenamed));

    // Class names: null equals only null; children must be present on both.
    a->items->className = "";
    EXPECT_FALSE(sameMetFile(a, sameButRenamed));
    sameButRenamed->items->className = "";
    EXPECT_TRUE(sameMetFile(a, sameButRenamed));
    addSourceItem(nullptr, a->items, ITEM_FUNCTION, 8, "inner");
    EXPECT_FALSE(sameMetFile(a, sameButRenamed));
    addSourceItem(nullptr, sameButRenamed->items, ITEM_FUNCTION, 9, "inner");
    EXPECT_FALSE(sameMetFile(a, sameButRenamed));  // the children differ in line

    for (MetFile *f : {a, sameButRenamed, otherLine, otherValue, twoItems, otherPath}) freeMetFile(f);
}

// Item trees as deep as the source makes them must neither overflow the
// stack when compared nor when released.
TEST(MetricsModel, DeepAndLongItemTreesAreSafe)
{
    const int depth = 200000;
    MetFile *files[2];
    for (MetFile *&f : files) {
        f = createMetFile("\\S\\D.C");
        SourceItem *parent = addSourceItem(f, nullptr, ITEM_CLASS, 1, "top");
        for (int i = 0; i < depth; ++i) parent = addSourceItem(nullptr, parent, ITEM_CLASS, i, "c");
        for (int i = 0; i < depth; ++i) addSourceItem(f, nullptr, ITEM_FUNCTION, i, "f");
    }
    EXPECT_TRUE(sameMetFile(files[0], files[1]));
    SourceItem *deepest = files[1]->items;
    while (deepest->next) deepest = deepest->next;
    while (deepest->children) deepest = deepest->children;
    setItemMetric(deepest, "VG", 1);
    EXPECT_FALSE(sameMetFile(files[0], files[1]));
    freeMetFile(files[0]);
    freeMetFile(files[1]);
}

TEST(MetricsModel, ItemTypeNames)
{
    EXPECT_STREQ(itemTypeName(0), "CLASS");
    EXPECT_STREQ(itemTypeName(2), "FUNCTION");
    EXPECT_STREQ(itemTypeName(19), "DESTRUCTOR");
    EXPECT_STREQ(itemTypeName(30), "CHOICE_POINT");
    EXPECT_STREQ(itemTypeName(31), "");
    EXPECT_STREQ(itemTypeName(-1), "");
}

}  // namespace
