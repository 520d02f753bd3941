// decodeOptions: input files without repetition, the output directory, and
// the restriction prefixes made absolute, upper-case and marked when absent.
#include "driver/argstarsk1.h"
#include "driver/gcmdec.h"
#include "support/alpha.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

struct Decoded {
    bool ok;
    RunSettings settings;
};

Decoded decodeLine(std::vector<std::string> args)
{
    args.insert(args.begin(), "tarsk1");
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int argc = static_cast<int>(args.size());
    char **vector = argv.data();
    Decoded d{false, {}};
    d.ok = decodeOptions(&argc, &vector, &d.settings);
    return d;
}

std::vector<std::pair<std::string, int>> entries(const CountedList *list)
{
    std::vector<std::pair<std::string, int>> out;
    for (; list; list = list->next) out.emplace_back(static_cast<_AlphaType *>(list->item)->text, list->count);
    return out;
}

std::string programUpper(std::string hostPath)
{
    std::replace(hostPath.begin(), hostPath.end(), '/', '\\');
    for (char &c : hostPath) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return hostPath;
}

class DecodeOptions : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("MVRTGT", "/nowhere", 1); }
    void TearDown() override
    {
        FreeCountedList(decoded.settings.inputFiles);
        FreeCountedList(decoded.settings.restrictPrefixes);
        releaseCommandMemory();
    }
    Decoded decoded{false, {}};
};

TEST_F(DecodeOptions, InputFilesOnceInFirstOrderAndDefaultDirectory)
{
    decoded = decodeLine({"a.i", "b.i,c.i", "a.i", "A.i"});
    ASSERT_TRUE(decoded.ok);
    using E = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(entries(decoded.settings.inputFiles), (E{{"a.i", 2}, {"b.i", 1}, {"c.i", 1}, {"A.i", 1}}));
    EXPECT_STREQ(decoded.settings.metricsDirectory, ".");
    EXPECT_EQ(decoded.settings.restrictPrefixes, nullptr);
    EXPECT_EQ(decoded.settings.fileListDirectives, nullptr);
}

TEST_F(DecodeOptions, MetricsDirectoryWithAndWithoutValue)
{
    decoded = decodeLine({"a.i", "-METRICS=out", "-VANTEL_LOG"});
    ASSERT_TRUE(decoded.ok);
    EXPECT_STREQ(decoded.settings.metricsDirectory, "out");
    TearDown();
    decoded = decodeLine({"a.i", "-m"});
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.settings.metricsDirectory, nullptr);
}

TEST_F(DecodeOptions, FailsAfterDecoderReport)
{
    std::fflush(stderr);
    int saved = ::dup(2), null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    decoded = decodeLine({"a.i", "-FOO"});
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    ::close(null);
    EXPECT_FALSE(decoded.ok);
}

// The only test that looks at the current directory, which the program reads once.
TEST_F(DecodeOptions, RestrictionPrefixes)
{
    testutil::TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("src").c_str(), 0700), 0);
    testutil::writeFile(dir.file("src/a.c"), "int f;\n");
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    decoded = decodeLine({"a.i", "-RESTRICT_METRICS=src\\a.c,lib", "-res=" + dir.file("src"), "-res=/,\\"});
    ASSERT_EQ(::chdir("/"), 0);
    ASSERT_TRUE(decoded.ok);
    std::string root = programUpper(dir.path());
    using E = std::vector<std::pair<std::string, int>>;
    // A root, in either separator, is the prefix of every path.
    EXPECT_EQ(entries(decoded.settings.restrictPrefixes),
              (E{{root + "\\SRC\\A.C", 1}, {root + "\\LIB/", 1}, {root + "\\SRC", 1}, {"\\", 2}}));
}

}  // namespace
