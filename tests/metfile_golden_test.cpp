// Metrics files end to end through the real binary: preprocessed inputs whose
// line markers name files of the test tree, compared byte for byte with
// documents worked out by hand, plus the log records and header variants.
#include "e2e_util.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

using testutil::readFile;
using testutil::TempDir;

namespace {

const std::string kData = std::string(TARSK1_TEST_DATA) + "/metfile";

using e2e::tarsk1;

std::string expected(const std::string &name) { return e2e::expected(kData, name, kData); }

std::string input(const TempDir &work, const std::string &name) { return e2e::input(work, kData, name, kData); }

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
        EXPECT_EQ(r.exitCode, 7);
        EXPECT_EQ(r.err, "Cannot open the file " + missing +
                             "/ONE.C.met for writing\n"
                             "Corvel tarsk1 - FATAL ERROR: 1 metrics file(s) could not be written\n");
        EXPECT_EQ(readFile(log), "MET " + missing + "/ONE.C.met\n");
    }
}

}  // namespace
