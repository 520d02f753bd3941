// The metrics XML writer: the document byte for byte, the derived Halstead
// values, escaping, item and class rules, output names with variants and
// collisions, the log record and the unwritable folder.
#include "metfile/metfile.h"
#include "metfile/writeMetricsApi.h"
#include "metfile/writeMetricsApi_testing.h"
#include "support/alpha.h"
#include "support/machine.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cstring>

using testutil::readFile;
using testutil::TempDir;

namespace {

struct Counts {
    int n1, n2, N1, N2;
};

MetFile *fileWithCounts(const std::string &path, Counts c)
{
    MetFile *f = createMetFile(QString::fromStdString(path));
    setFileMetric(f, "n1", c.n1);
    setFileMetric(f, "n2", c.n2);
    setFileMetric(f, "N1", c.N1);
    setFileMetric(f, "N2", c.N2);
    return f;
}

void setLineCounts(MetFile *f, int total, int src1, int src2, int comment1, int comment2, int empty)
{
    setFileMetric(f, "Total", total);
    setFileMetric(f, "Src1", src1);
    setFileMetric(f, "Src2", src2);
    setFileMetric(f, "Comment1", comment1);
    setFileMetric(f, "Comment2", comment2);
    setFileMetric(f, "Empty", empty);
}

SourceItem *addFunction(MetFile *f, const char *name, int line, int vg, int statements, int nested)
{
    SourceItem *item = addSourceItem(f, nullptr, ITEM_FUNCTION, line, name);
    setItemMetric(item, "VG", vg);
    setItemMetric(item, "Statements", statements);
    setItemMetric(item, "NestedLevel", nested);
    return item;
}

std::string written(MetFile *f, const TempDir &dir)
{
    const std::string name = dir.file("out.met");
    EXPECT_EQ(writeMetFile(f, QByteArray::fromStdString(name)), 0);
    return readFile(name);
}

std::string between(const std::string &text, const std::string &from, const std::string &to)
{
    const size_t a = text.find(from);
    if (a == std::string::npos) return "<missing " + from + ">";
    const size_t b = text.find(to, a + from.size());
    if (b == std::string::npos) return "<missing " + to + ">";
    return text.substr(a + from.size(), b - a - from.size());
}

std::vector<std::string> folderContent(const std::string &path)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(path.c_str())) {
        while (dirent *e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// An entry whose folder (with its separator) and name are interned, as the
// split gives them.
MetFileEntry *entry(MetFile *f, const std::string &path, int duplicate, MetFileEntry *next)
{
    char *copy = static_cast<char *>(allocZeroed(path.size() + 1));
    std::strcpy(copy, path.c_str());
    const size_t name = path.find_last_of("/\\") + 1;
    return new MetFileEntry{
        FindOrAddAlpha(path.c_str() + name), FindOrAddAlpha(path.substr(0, name).c_str()), copy, duplicate, f, next};
}

TEST(MetricsWriter, SingleFunctionDocument)
{
    TempDir dir;
    MetFile *f = fileWithCounts(dir.file("M.C"), {10, 8, 30, 20});
    setLineCounts(f, 5, 3, 1, 0, 1, 1);
    SourceItem *item = addFunction(f, "f", 1, 1, 1, 1);
    setItemMetric(item, "EXTCOMPCALL", 4);
    f->writeOptionalMetrics = 0;
    // clang-format off
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!-- Metrics Writer V1.0 -->\n"
        "<FILE Name=\"M.C\" Dir=\"" + dir.path() + "\">\n"
        "<ITEMS>\n"
        "<FUNCTION Name=\"f\" Line=\"1\" >\n"
        "<METRICS>\n"
        "<METRIC Key=\"VG\" Value=\"1\"/>\n"
        "<METRIC Key=\"Statements\" Value=\"1\"/>\n"
        "<METRIC Key=\"NestedLevel\" Value=\"1\"/>\n"
        "</METRICS>\n"
        "</FUNCTION>\n"
        "</ITEMS>\n"
        "<METRICS>\n"
        "<METRIC Key=\"n1_n2\" Value=\"18\"/>\n"
        "<METRIC Key=\"N1_N2\" Value=\"50\"/>\n"
        "<METRIC Key=\"Volume\" Value=\"208.50\"/>\n"
        "<METRIC Key=\"Difficulty\" Value=\"10.00\"/>\n"
        "<METRIC Key=\"Effort\" Value=\"2084.96\"/>\n"
        "<METRIC Key=\"Errors\" Value=\"0.07\"/>\n"
        "<METRIC Key=\"TestingTime\" Value=\"115.83\"/>\n"
        "<METRIC Key=\"Total\" Value=\"5\"/>\n"
        "<METRIC Key=\"Src1\" Value=\"3\"/>\n"
        "<METRIC Key=\"Src2\" Value=\"1\"/>\n"
        "<METRIC Key=\"Comment1\" Value=\"0\"/>\n"
        "<METRIC Key=\"Comment2\" Value=\"1\"/>\n"
        "<METRIC Key=\"Empty\" Value=\"1\"/>\n"
        "</METRICS>\n"
        "<OUTPUT Error=\"0\">\n"
        "</OUTPUT>\n"
        "</FILE>\n";
    // clang-format on
    EXPECT_EQ(written(f, dir), expected);

    // Optional metrics appear, in table order, only while the file allows them.
    f->writeOptionalMetrics = 1;
    EXPECT_EQ(between(written(f, dir), "<METRICS>\n", "</METRICS>"), "<METRIC Key=\"VG\" Value=\"1\"/>\n"
                                                                     "<METRIC Key=\"EXTCOMPCALL\" Value=\"4\"/>\n"
                                                                     "<METRIC Key=\"Statements\" Value=\"1\"/>\n"
                                                                     "<METRIC Key=\"NestedLevel\" Value=\"1\"/>\n");
    freeMetFile(f);
}

TEST(MetricsWriter, DerivedHalsteadValues)
{
    struct Case {
        Counts counts;
        const char *values;  // n1_n2 N1_N2 Volume Difficulty Effort Errors TestingTime
    } cases[] = {
        {{10, 8, 30, 20}, "18 50 208.50 10.00 2084.96 0.07 115.83"},
        {{7, 3, 5, 7}, "10 12 39.86 6.00 239.18 0.01 13.29"},  // integer divisions: 2 x 3
        {{4, 0, 6, 0}, "4 6 12.00 0.00 0.00 0.00 0.00"},       // operators only
        {{0, 0, 0, 0}, "0 0 0.00 0.00 0.00 0.00 0.00"},
        {{1, 0, 3, 0}, "1 3 0.00 0.00 0.00 0.00 0.00"},  // ln 1 is 0
    };
    TempDir dir;
    for (const Case &c : cases) {
        MetFile *f = fileWithCounts(dir.file("H.C"), c.counts);
        const std::string block = between(written(f, dir), "<METRICS>\n", "</METRICS>");
        std::string values;
        for (size_t at = 0; (at = block.find("Value=\"", at)) != std::string::npos;) {
            at += 7;
            values += (values.empty() ? "" : " ") + block.substr(at, block.find('"', at) - at);
        }
        EXPECT_EQ(values, c.values) << "counts " << c.counts.n1 << ' ' << c.counts.n2 << ' ' << c.counts.N1 << ' '
                                    << c.counts.N2;
        freeMetFile(f);
    }
}

TEST(MetricsWriter, EscapingReplacesEachCharacterOnce)
{
    EXPECT_EQ(escapeXml("a&b\"c<d>'e"), "a&amp;b&quot;c&lt;d&gt;'e");
    EXPECT_EQ(escapeXml("&quot;"), "&amp;quot;");
    EXPECT_EQ(escapeXml("\xC3\xA9t\xC3\xA9"), QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
    // What XML cannot carry as it stands: references, or U+FFFD where no
    // reference is allowed either.
    const struct {
        const char *text, *escaped;
    } controls[] = {
        {"a\tb\nc\rd", "a&#9;b&#10;c&#13;d"},
        {"c\x01t\x1f\x7f", "c\xEF\xBF\xBDt\xEF\xBF\xBD\x7f"},
        {"\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto &c : controls)
        EXPECT_EQ(escapeXml(QString::fromUtf8(c.text)), QString::fromUtf8(c.escaped)) << c.text;

    TempDir dir;
    MetFile *f = fileWithCounts(dir.file("A&B\".C"), {1, 1, 1, 1});
    addFunction(f, "\xC3\xA9", 2, 1, 0, 0);
    addFileError(f, "a < b");
    addFileError(f, "\"x\" & y");
    addFileError(f, "\tz\x02");
    const std::string text = written(f, dir);
    EXPECT_NE(text.find("<FILE Name=\"A&amp;B&quot;.C\" Dir=\""), std::string::npos);
    EXPECT_NE(text.find("<FUNCTION Name=\"\xC3\xA9\" Line=\"2\" >\n"), std::string::npos);  // UTF-8
    // In element content a tab or line feed may stand as it is.
    EXPECT_NE(
        text.find("</METRICS>\n<OUTPUT Error=\"1\">\na &lt; b\n&quot;x&quot; &amp; y\n\tz\xEF\xBF\xBD\n</OUTPUT>\n"
                  "</FILE>\n"),
        std::string::npos);
    freeMetFile(f);
}

TEST(MetricsWriter, ItemsClassesAndCalls)
{
    TempDir dir;
    MetFile *f = fileWithCounts(dir.file("K.CPP"), {0, 0, 0, 0});
    addSourceItem(f, nullptr, 31, 9, "odd");                    // unknown type: reported, skipped
    addSourceItem(f, nullptr, ITEM_FUNCTION, 8, "unmeasured");  // no values, no children: left out
    SourceItem *k = addSourceItem(f, nullptr, ITEM_CLASS, 1, "K");
    SourceItem *own = addSourceItem(nullptr, k, ITEM_DESTRUCTOR, 3, "~K");
    own->className = "Own";
    setItemMetric(own, "VG", 1);
    SourceItem *m = addSourceItem(nullptr, k, ITEM_METHOD, 2, "m");
    setItemMetric(m, "EXTVARUSE", 0);  // a set value, though never written here
    m->calls = new Calls{new Calls{nullptr, "h", QString()}, "g", "K"};
    f->writeOptionalMetrics = 0;

    testing::internal::CaptureStderr();
    const std::string text = written(f, dir);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unknown item type : 31\n");
    EXPECT_EQ(between(text, "\">\n", "<METRICS>\n<METRIC Key=\"n1_n2\""),
              "<ITEMS>\n"
              "<CLASS Name=\"K\" Line=\"1\" >\n"
              "<ITEMS>\n"
              "<METHOD Name=\"m\" Line=\"2\"  Class=\"K\">\n"
              "<METRICS>\n"
              "</METRICS>\n"
              "<CALLS>\n"
              " <CALL Name=\"g\" class=\"K\" />\n"
              " <CALL Name=\"h\" />\n"
              "</CALLS>\n"
              "</METHOD>\n"
              "<DESTRUCTOR Name=\"~K\" Line=\"3\"  Class=\"Own\">\n"
              "<METRICS>\n"
              "<METRIC Key=\"VG\" Value=\"1\"/>\n"
              "</METRICS>\n"
              "</DESTRUCTOR>\n"
              "</ITEMS>\n"
              "</CLASS>\n"
              "</ITEMS>\n");
    freeMetFile(f);
}

TEST(MetricsWriter, DeepItemNestingIsWrittenWithoutRecursion)
{
    TempDir dir;
    MetFile *f = fileWithCounts(dir.file("D.C"), {0, 0, 0, 0});
    const int depth = 200000;
    SourceItem *parent = addSourceItem(f, nullptr, ITEM_CLASS, 1, "c");
    for (int i = 1; i < depth; ++i) parent = addSourceItem(nullptr, parent, ITEM_CLASS, 1, "c");
    setItemMetric(addSourceItem(nullptr, parent, ITEM_FUNCTION, 2, "f"), "VG", 1);
    const std::string text = written(f, dir);
    size_t opened = 0, closed = 0;
    for (size_t at = 0; (at = text.find("<ITEMS>\n", at)) != std::string::npos; ++at) ++opened;
    for (size_t at = 0; (at = text.find("</CLASS>\n", at)) != std::string::npos; ++at) ++closed;
    EXPECT_EQ(opened, size_t(depth) + 1);
    EXPECT_EQ(closed, size_t(depth));
    EXPECT_NE(text.find("<FUNCTION Name=\"f\" Line=\"2\" >\n<METRICS>\n<METRIC Key=\"VG\" Value=\"1\"/>\n</METRICS>\n"
                        "</FUNCTION>\n</ITEMS>\n</CLASS>\n"),
              std::string::npos);
    freeMetFile(f);
}

TEST(MetricsWriter, VariantsCollisionsAndTheLog)
{
    TempDir src, out;
    const std::string a = src.file("A"), b = src.file("B");
    ASSERT_EQ(::mkdir(a.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(b.c_str(), 0700), 0);
    const std::string pathA = a + "/X.C", pathB = b + "/X.C", pathM = a + "/M.C";
    // Newest first, as the metrics pass leaves the list.
    MetFileEntry *list = nullptr;
    list = entry(fileWithCounts(pathA, {1, 1, 1, 1}), pathA.c_str(), 0, list);
    list = entry(fileWithCounts(pathA, {1, 1, 1, 1}), pathA.c_str(), 1, list);
    list = entry(fileWithCounts(pathB, {1, 1, 1, 1}), pathB.c_str(), 0, list);
    list = entry(fileWithCounts(pathA, {1, 1, 1, 1}), pathA.c_str(), 2, list);
    const std::string log = out.file("run.log");
    openToolLog(log.c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(writeMetricsFiles(out.path().c_str(), list), 0);
    const std::string err = testing::internal::GetCapturedStderr();

    // The later X.C from B steps aside to the first name nobody uses.
    const std::string o = out.path() + "/";
    EXPECT_EQ(err, "The metrics file " + o + "X.C.met belongs to " + pathA + ": the metrics of " + pathB + " go to " +
                       o + "X.C#3.met\n");
    EXPECT_EQ(folderContent(out.path()),
              (std::vector<std::string>{"X.C#1.met", "X.C#2.met", "X.C#3.met", "X.C.met", "run.log"}));
    EXPECT_NE(readFile(o + "X.C#3.met").find("Dir=\"" + b + "\""), std::string::npos);
    EXPECT_NE(readFile(o + "X.C.met").find("Dir=\"" + a + "\""), std::string::npos);

    // Without a metrics folder the file goes beside its source; an unwritable
    // folder is reported, counted and still logged.
    const std::string missing = out.file("none");
    EXPECT_EQ(writeMetricsFiles(nullptr, entry(fileWithCounts(pathM, {1, 1, 1, 1}), pathM.c_str(), 0, nullptr)), 0);
    EXPECT_TRUE(testutil::exists(a + "/M.C.met"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(writeMetricsFiles(missing.c_str(), entry(fileWithCounts(pathM, {1, 1, 1, 1}), pathM.c_str(), 0, nullptr)),
              1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cannot open the file " + missing + "/M.C.met for writing\n");

    openToolLog(out.file("other.log").c_str());  // closes and flushes the first log
    EXPECT_EQ(readFile(log), "MET " + o + "X.C#2.met\nMET " + o + "X.C#3.met\nMET " + o + "X.C#1.met\nMET " + o +
                                 "X.C.met\nMET " + a + "/M.C.met\nMET " + missing + "/M.C.met\n");
}

// Several different files of one name, some in variants: each displaced one
// takes the lowest number nobody holds from its own lowest on.
TEST(MetricsWriter, DisplacedFilesTakeTheLowestFreeNumbers)
{
    TempDir src, out;
    std::string paths[3];
    for (int k = 0; k < 3; ++k) {
        const std::string folder = src.file(std::string(1, char('A' + k)));
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        paths[k] = folder + "/X.C";
    }
    const std::pair<int, int> arrivals[] = {{0, 0}, {0, 1}, {1, 0}, {0, 2}, {1, 1}, {2, 0}};
    MetFileEntry *list = nullptr;
    for (const auto &[file, duplicate] : arrivals)
        list = entry(fileWithCounts(paths[file], {1, 1, 1, duplicate + 1}), paths[file].c_str(), duplicate, list);
    testing::internal::CaptureStderr();
    writeMetricsFiles(out.path().c_str(), list);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3) << err;
    const std::string o = out.path() + "/";
    EXPECT_NE(err.find("the metrics of " + paths[1] + " go to " + o + "X.C#3.met\n"), std::string::npos) << err;
    EXPECT_NE(err.find("the metrics of " + paths[1] + " go to " + o + "X.C#4.met\n"), std::string::npos) << err;
    EXPECT_NE(err.find("the metrics of " + paths[2] + " go to " + o + "X.C#5.met\n"), std::string::npos) << err;
    EXPECT_EQ(folderContent(out.path()),
              (std::vector<std::string>{"X.C#1.met", "X.C#2.met", "X.C#3.met", "X.C#4.met", "X.C#5.met", "X.C.met"}));
    EXPECT_NE(readFile(o + "X.C#5.met").find("Dir=\"" + src.file("C") + "\""), std::string::npos);
}

// Names that are not text in the local encoding keep their bytes, so two of
// them stay two files; the log names each file as the host holds it, here
// beside a source known by its upper-case program form.
TEST(MetricsWriter, NamesKeepTheirBytesAndTheLogNamesTheHostFile)
{
    TempDir src;
    const std::string folder = src.file("sub");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    std::string program = folder;
    for (char &c : program) c = c == '/' ? '\\' : char(std::toupper(static_cast<unsigned char>(c)));
    const std::string e9 = program + "\\\xE9.C", e8 = program + "\\\xE8.C";
    MetFileEntry *list = entry(fileWithCounts(e9, {1, 1, 1, 1}), e9.c_str(), 0, nullptr);
    list = entry(fileWithCounts(e8, {1, 1, 1, 2}), e8.c_str(), 0, list);
    const std::string log = src.file("run.log");
    openToolLog(log.c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(writeMetricsFiles(nullptr, list), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    openToolLog(src.file("other.log").c_str());  // closes and flushes the first log
    EXPECT_EQ(folderContent(folder), (std::vector<std::string>{"\xE8.C.met", "\xE9.C.met"}));
    EXPECT_EQ(readFile(log), "MET " + folder + "/\xE8.C.met\nMET " + folder + "/\xE9.C.met\n");
}

TEST(MetricsWriter, FinishedFilesReplaceOldOnesWithoutLeftovers)
{
    TempDir out;
    testutil::writeFile(out.file("F.C.met"), "stale");
    const std::string path = out.file("F.C");
    writeMetricsFiles(out.path().c_str(), entry(fileWithCounts(path, {0, 0, 0, 0}), path.c_str(), 0, nullptr));
    EXPECT_EQ(folderContent(out.path()), std::vector<std::string>{"F.C.met"});
    EXPECT_EQ(readFile(out.file("F.C.met")).rfind("<?xml", 0), 0u);

    // A folder in the way of the final name: the temporary file does not stay.
    TempDir blocked;
    ASSERT_EQ(::mkdir(blocked.file("F.C.met").c_str(), 0700), 0);
    testutil::writeFile(blocked.file("F.C.met/keep"), "x");
    testing::internal::CaptureStderr();
    EXPECT_EQ(
        writeMetricsFiles(blocked.path().c_str(), entry(fileWithCounts(path, {0, 0, 0, 0}), path.c_str(), 0, nullptr)),
        1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Cannot open the file " + blocked.path() + "/F.C.met for writing\n");
    EXPECT_EQ(folderContent(blocked.path()), std::vector<std::string>{"F.C.met"});
}

}  // namespace
