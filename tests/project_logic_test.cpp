// tarsk1-project's pure logic: shell words, the preprocessing command made
// from a compile command, which entries are C, dependency files, path
// filters, and the item shape that decides whether two variants are equal.
#include "project/command.h"
#include "project/database.h"
#include "project/metdoc.h"
#include "project/unitstate.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "testutil.h"

TEST(ProjectCommand, SplitsShellWords)
{
    struct Case {
        const char *text;
        QStringList words;
    } cases[] = {
        {"gcc -c a.c", {"gcc", "-c", "a.c"}},
        {"  gcc\t-DX=1   a.c ", {"gcc", "-DX=1", "a.c"}},
        {"gcc '-DNAME=\"a b\"' x", {"gcc", "-DNAME=\"a b\"", "x"}},
        {"gcc -DNAME=\\\"q\\\" \"-I my dir\" -D'a'\"b\"c", {"gcc", "-DNAME=\"q\"", "-I my dir", "-Dabc"}},
        {"gcc \"a\\$b\\\\c\\d\" e\\ f", {"gcc", "a$b\\c\\d", "e f"}},
        {"gcc '' x", {"gcc", "", "x"}},
    };
    for (const Case &c : cases) {
        QStringList words;
        QString problem;
        EXPECT_TRUE(command::splitShellWords(QString::fromUtf8(c.text), words, problem)) << c.text;
        EXPECT_EQ(words, c.words) << c.text;
    }
    for (const char *bad : {"gcc 'a", "gcc \"a", "gcc a\\"}) {
        QStringList words;
        QString problem;
        EXPECT_FALSE(command::splitShellWords(QString::fromUtf8(bad), words, problem)) << bad;
        EXPECT_FALSE(problem.isEmpty());
    }
}

TEST(ProjectCommand, TellsCUnits)
{
    struct Case {
        QStringList arguments;
        const char *file;
        bool isC;
    } cases[] = {
        {{"/usr/bin/cc", "-c", "a.c"}, "a.c", true},
        {{"gcc-12", "-c", "a.c"}, "a.c", true},
        {{"x86_64-linux-gnu-gcc-12", "-c", "a.c"}, "a.c", true},
        {{"ccache", "clang", "-c", "a.c"}, "a.c", true},
        {{"g++", "-c", "a.c"}, "a.c", false},
        {{"gcc", "-c", "a.cpp"}, "a.cpp", false},
        {{"gcc", "-c", "a.C"}, "a.C", false},
        {{"gcc", "-c", "start.S"}, "start.S", false},
        {{"gcc", "-x", "c++", "-c", "a.c"}, "a.c", false},
        {{"gcc", "-x", "c", "-c", "a.inc"}, "a.inc", true},
        {{"cl.exe", "/c", "a.c"}, "a.c", false},
        {{"nvcc", "-c", "a.c"}, "a.c", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(command::isCUnit(c.arguments, QString::fromUtf8(c.file)), c.isC)
            << c.arguments.join(' ').toStdString();
}

TEST(ProjectCommand, RewritesCompileIntoPreprocess)
{
    const QStringList tail{"-E", "-MD", "-MF", "u.d", "-o", "u.i"};
    struct Case {
        QStringList compile;
        QStringList preprocess;  // without the tail
    } cases[] = {
        {{"cc", "-DA", "-Iinc", "-o", "a.o", "-c", "a.c"}, {"cc", "-DA", "-Iinc", "a.c"}},
        {{"gcc", "-c", "a.c", "-oa.o", "-MD", "-MF", "a.d", "-MT", "a.o", "-MQ", "x"}, {"gcc", "a.c"}},
        {{"gcc", "-MMD", "-MP", "-MFa.d", "-Wp,-MD,a.d", "-c", "a.c", "--output=a.o"}, {"gcc", "a.c"}},
        {{"ccache", "gcc", "-pipe", "-save-temps=obj", "-c", "a.c"}, {"gcc", "a.c"}},
        {{"gcc", "-std=c99", "-O2", "-fPIC", "-c", "a.c"}, {"gcc", "-std=c99", "-O2", "-fPIC", "a.c"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(command::preprocessCommand(c.compile, "u.i", "u.d"), c.preprocess + tail)
            << c.compile.join(' ').toStdString();
}

TEST(ProjectDatabase, ReadsDependencyFilesAndFilters)
{
    QTemporaryDir dir;
    const QString depFile = dir.filePath("u.d");
    testutil::writeFile(depFile.toStdString(), "/out/u.i: a.c /usr/include/stdio.h \\\n  sub/../inc/x.h my\\ file.h\n");
    EXPECT_EQ(readDependencyFile(depFile, "/src"),
              (QStringList{"/src/a.c", "/usr/include/stdio.h", "/src/inc/x.h", "/src/my file.h"}));
    EXPECT_TRUE(readDependencyFile(dir.filePath("none.d"), "/src").isEmpty());

    struct Case {
        const char *path;
        QStringList includes, excludes;
        bool passes;
    } cases[] = {
        {"src/a.c", {}, {}, true},
        {"test/a.c", {}, {"test"}, false},
        {"lib/test/a.c", {}, {"test"}, false},
        {"lib/testing/a.c", {}, {"test"}, true},
        {"lib/third_party/z/a.c", {}, {"lib/third_party"}, false},
        {"src/a.c", {}, {"*.c"}, false},
        {"src/a.c", {"src"}, {}, true},
        {"tools/a.c", {"src"}, {}, false},
        {"src/gen/a.c", {"src"}, {"src/gen"}, false},
        {"src/gen/a.c", {}, {"src/*"}, false},
        {"srcx/a.c", {"src"}, {}, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PathFilter(c.includes, c.excludes).passes(QString::fromUtf8(c.path)), c.passes) << c.path;
}

TEST(ProjectDatabase, ShardsShareUnitsStably)
{
    QVector<Unit> units(60);
    for (int i = 0; i < units.size(); ++i) units[i].id = QStringLiteral("u%1-0123456789ab").arg(i);
    int total = 0;
    for (int k = 1; k <= 3; ++k) {
        int inK = 0;
        for (const Unit &u : units) inK += inShard(u, k, 3);
        EXPECT_GT(inK, 5) << "shard " << k;
        total += inK;
    }
    EXPECT_EQ(total, units.size());
}

// Two variants are equal when their items agree in everything but names.
TEST(ProjectMetDocument, ShapeLeavesOutNames)
{
    auto document = [](const char *name, int line, int vg) {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<FILE Name=\"H.H\" Dir=\"/P\">\n<ITEMS>\n"
                              "<FUNCTION Name=\"%1\" Line=\"%2\" >\n<METRICS>\n<METRIC Key=\"VG\" Value=\"%3\"/>\n"
                              "</METRICS>\n</FUNCTION>\n</ITEMS>\n<METRICS>\n<METRIC Key=\"Total\" Value=\"%4\"/>\n"
                              "</METRICS>\n<OUTPUT Error=\"0\">\n</OUTPUT>\n</FILE>\n")
            .arg(QLatin1String(name))
            .arg(line)
            .arg(vg)
            .arg(line * 10)
            .toUtf8();
    };
    MetDocument a, renamed, moved, other;
    QString problem;
    ASSERT_TRUE(parseMetDocument(document("f", 3, 2), a, problem)) << problem.toStdString();
    ASSERT_TRUE(parseMetDocument(document("g", 3, 2), renamed, problem));
    ASSERT_TRUE(parseMetDocument(document("f", 4, 2), moved, problem));
    ASSERT_TRUE(parseMetDocument(document("f", 3, 5), other, problem));
    EXPECT_EQ(a.sourcePath(), QStringLiteral("/P/H.H"));
    EXPECT_EQ(a.shape, renamed.shape);
    EXPECT_NE(a.shape, moved.shape);
    EXPECT_NE(a.shape, other.shape);
    ASSERT_EQ(a.functions.size(), 1);
    EXPECT_EQ(a.functions[0].vg, 2);
    EXPECT_EQ(a.fileMetrics.size(), 1);
    MetDocument broken;
    EXPECT_FALSE(parseMetDocument("<FILE Name=\"x\"><ITEMS>", broken, problem));
}
