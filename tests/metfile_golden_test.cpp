// Metrics files end to end through the real binary: preprocessed inputs whose
// line markers name files of the test tree, compared byte for byte with
// documents worked out by hand, plus the log records and header variants.
#include "testutil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

using testutil::readFile;
using testutil::TempDir;

namespace {

const std::string kData = std::string(TARSK1_TEST_DATA) + "/metfile";

std::string replaced(std::string text, const std::string &from, const std::string &to)
{
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
    return text;
}

// The source folder as the metrics file shows it: the tree's upper-case form.
std::string shownDirectory()
{
    std::string dir = kData;
    for (char &c : dir) c = char(std::toupper(static_cast<unsigned char>(c)));
    return dir;
}

std::string expected(const std::string &name) { return replaced(readFile(kData + "/" + name), "@DIR@", shownDirectory()); }

// Writes the input made from a template into the work folder; returns its path.
std::string input(const TempDir &work, const std::string &name)
{
    const std::string path = work.file(name);
    testutil::writeFile(path, replaced(readFile(kData + "/" + name + ".in"), "@DATA@", kData));
    return path;
}

testutil::ProcessResult tarsk1(const std::vector<std::string> &args, const std::string &workDir)
{
    const std::string root = TARSK1_SOURCE_ROOT;
    return testutil::runProcess(TARSK1_BINARY, args,
                                {"CORVELDIR=" + root + "/install", "MVRTGT=" + root + "/targets/minimal", "LANG=C",
                                 "LC_ALL=C", "LANGUAGE"},
                                workDir);
}

TEST(MetricsFilesEndToEnd, SingleFunctionAndItsLogRecord)
{
    TempDir work, out;
    const std::string log = work.file("run.log");
    auto r = tarsk1({input(work, "one.i"), "-METRICS=" + out.path(), "-VANTEL_LOG=" + log}, work.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readFile(out.file("ONE.C.met")), expected("one.met"));
    EXPECT_EQ(readFile(log), "MET " + out.path() + "/ONE.C.met\n");
}

TEST(MetricsFilesEndToEnd, HeaderVariantsFromSeveralInputs)
{
    TempDir work, out;
    const std::string log = work.file("run.log");
    const std::string a = input(work, "a.i"), b = input(work, "b.i");
    // The third input repeats the first variant: nothing new is written.
    testutil::writeFile(work.file("c.i"), readFile(a));
    auto r = tarsk1({a, b, work.file("c.i"), "-METRICS=" + out.path(), "-VANTEL_LOG=" + log}, work.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readFile(out.file("TWO&.H.met")), expected("two&.met"));
    EXPECT_EQ(readFile(out.file("TWO&.H#1.met")), expected("two&#1.met"));
    EXPECT_FALSE(testutil::exists(out.file("TWO&.H#2.met")));
    EXPECT_EQ(readFile(log), "MET " + out.path() + "/TWO&.H#1.met\nMET " + out.path() + "/TWO&.H.met\n");
}

TEST(MetricsFilesEndToEnd, StandardIncludesRestrictionsAndAnUnwritableFolder)
{
    TempDir work;
    const std::string in = input(work, "std.i");
    {
        TempDir out;
        auto r = tarsk1({in, "-METRICS=" + out.path()}, work.path());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(readFile(out.file("ONE.C.met")), expected("one.met"));
        EXPECT_FALSE(testutil::exists(out.file("LIB.H.met")));
    }
    {
        // A standard-include folder stays out even when a restriction names it.
        TempDir out;
        auto r = tarsk1({in, "-METRICS=" + out.path(), "-RESTRICT_METRICS=" + kData + "/sys/lib.h"}, work.path());
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_FALSE(testutil::exists(out.file("LIB.H.met")));
        EXPECT_FALSE(testutil::exists(out.file("ONE.C.met")));
    }
    {
        TempDir out;
        const std::string missing = out.file("missing"), log = work.file("run.log");
        auto r = tarsk1({in, "-METRICS=" + missing, "-VANTEL_LOG=" + log}, work.path());
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "Cannot open the file " + missing + "/ONE.C.met for writing\n");
        EXPECT_EQ(readFile(log), "MET " + missing + "/ONE.C.met\n");
    }
}

}  // namespace
