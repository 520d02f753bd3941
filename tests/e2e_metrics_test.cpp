// Whole runs of the binary on small preprocessed inputs whose line markers
// name files of the test tree: Halstead values worked out by hand, the
// restriction prefixes in each of their forms, standard-include folders that
// outlive the input that named them, where the files go without a metrics
// folder, and a failing input that leaves neither metrics files nor log
// records behind.
#include "e2e_util.h"
#include "testutil.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

using testutil::readFile;
using testutil::TempDir;

namespace {

const std::string kData = std::string(TARSK1_TEST_DATA) + "/crosscheck";

using e2e::tarsk1;
using e2e::upper;

std::string expected(const std::string &name, const std::string &dataDir = kData)
{
    return e2e::expected(kData, name, dataDir);
}

std::string input(const TempDir &work, const std::string &name, const std::string &dataDir = kData)
{
    return e2e::input(work, kData, name, dataDir);
}

std::vector<std::string> entries(const std::string &dir)
{
    std::vector<std::string> names;
    if (DIR *d = ::opendir(dir.c_str())) {
        while (dirent *e = ::readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

using Names = std::vector<std::string>;

TEST(EndToEnd, WorkedHalsteadValuesAndIntegerDifficulty)
{
    TempDir work, out;
    const std::string log = work.file("run.log");
    auto r = tarsk1({input(work, "worked.i"), "-METRICS=" + out.path(), "-VANTEL_LOG=" + log}, work.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // n1 10, n2 8, N1 30, N2 20 in the main file; 7, 3, 10, 7 in the header.
    EXPECT_EQ(readFile(out.file("WORKED.C.met")), expected("worked.met"));
    EXPECT_EQ(readFile(out.file("INTDIV.H.met")), expected("intdiv.met"));
    // The header's entry joined the run's list last, so it is written first.
    EXPECT_EQ(readFile(log), "MET " + out.path() + "/INTDIV.H.met\nMET " + out.path() + "/WORKED.C.met\n");
}

TEST(EndToEnd, SyntaxErrorInSecondInputWritesNothingAndLogsNothing)
{
    TempDir work, out;
    const std::string log = work.file("run.log");
    testutil::writeFile(log, "MET earlier/RUN.C.met\n");
    auto r = tarsk1({input(work, "worked.i"), input(work, "broken.i"), "-METRICS=" + out.path(), "-VANTEL_LOG=" + log},
                    work.path());
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_NE(r.err.find("FATAL ERROR: Syntax errors in source file, static analysis cancelled\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(entries(out.path()), Names{});
    EXPECT_EQ(readFile(log), "MET earlier/RUN.C.met\n");

    // The log is appended to: a good run after it keeps the earlier record.
    r = tarsk1({input(work, "worked.i"), "-METRICS=" + out.path(), "-VANTEL_LOG=" + log}, work.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readFile(log),
              "MET earlier/RUN.C.met\nMET " + out.path() + "/INTDIV.H.met\nMET " + out.path() + "/WORKED.C.met\n");
}

TEST(EndToEnd, ThreeVariantsOfOneHeader)
{
    TempDir work, out;
    const std::string log = work.file("run.log");
    // p alone, p and q, q alone; a fourth input repeats the first variant.
    const std::string m1 = input(work, "m1.i"), m2 = input(work, "m2.i"), m3 = input(work, "m3.i");
    testutil::writeFile(work.file("m4.i"), readFile(m1));
    auto r = tarsk1({m1, m2, m3, work.file("m4.i"), "-METRICS=" + out.path(), "-VANTEL_LOG=" + log}, work.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(entries(out.path()), (Names{"VAR.H#1.met", "VAR.H#2.met", "VAR.H.met"}));
    EXPECT_EQ(readFile(out.file("VAR.H.met")), expected("var.met"));
    EXPECT_EQ(readFile(out.file("VAR.H#1.met")), expected("var#1.met"));
    EXPECT_EQ(readFile(out.file("VAR.H#2.met")), expected("var#2.met"));
    const std::string o = "MET " + out.path() + "/VAR.H";
    EXPECT_EQ(readFile(log), o + "#2.met\n" + o + "#1.met\n" + o + ".met\n");
}

// Runs r.i (r.c including sub/s.h) with the given restriction arguments and
// returns the names of the metrics files written.
Names restricted(const std::vector<std::string> &restrictions, const std::string &workDir = "")
{
    TempDir work, out;
    std::vector<std::string> args = {input(work, "restrict/r.i"), "-METRICS=" + out.path()};
    args.insert(args.end(), restrictions.begin(), restrictions.end());
    auto r = tarsk1(args, workDir.empty() ? work.path() : workDir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Names names = entries(out.path());
    if (std::find(names.begin(), names.end(), "R.C.met") != names.end()) {
        EXPECT_EQ(readFile(out.file("R.C.met")), expected("restrict/r.met"));
    }
    if (std::find(names.begin(), names.end(), "S.H.met") != names.end()) {
        EXPECT_EQ(readFile(out.file("S.H.met")), expected("restrict/s.met"));
    }
    return names;
}

TEST(EndToEnd, RestrictionPrefixes)
{
    const std::string dir = kData + "/restrict";
    EXPECT_EQ(restricted({}), (Names{"R.C.met", "S.H.met"}));
    EXPECT_EQ(restricted({"-RESTRICT_METRICS=" + dir + "/sub/"}), Names{"S.H.met"});
    EXPECT_EQ(restricted({"-RESTRICT_METRICS=" + dir + "/r.c"}), Names{"R.C.met"});
    // A folder named without its final separator is a prefix of its files too.
    EXPECT_EQ(restricted({"-RESTRICT_METRICS=" + dir + "/sub"}), Names{"S.H.met"});
    // Relative to the current folder, in any letter case, abbreviated.
    EXPECT_EQ(restricted({"-RESTRICT_METRICS=sub"}, dir), Names{"S.H.met"});
    EXPECT_EQ(restricted({"-res=" + upper(dir) + "/R.C"}), Names{"R.C.met"});
    // Values accumulate, as a list and as repeated options.
    EXPECT_EQ(restricted({"-RESTRICT_METRICS=" + dir + "/r.c," + dir + "/sub/s.h"}), (Names{"R.C.met", "S.H.met"}));
    EXPECT_EQ(restricted({"-RESTRICT_METRICS=" + dir + "/r.c", "-RESTRICT_METRICS=" + dir + "/sub"}),
              (Names{"R.C.met", "S.H.met"}));
    // A root holds everything, however it is named.
    EXPECT_EQ(restricted({"-RESTRICT_METRICS=/"}), (Names{"R.C.met", "S.H.met"}));
    EXPECT_EQ(restricted({"-res=."}, "/"), (Names{"R.C.met", "S.H.met"}));
    // Neither a path that is no leading part nor a missing one selects anything.
    EXPECT_EQ(restricted({"-RESTRICT_METRICS=" + kData + "/sub"}), Names{});
    EXPECT_EQ(restricted({"-RESTRICT_METRICS=" + dir + "/su"}), Names{});
}

TEST(EndToEnd, StandardIncludeFolderHoldsForLaterInputs)
{
    TempDir work, out;
    // The first input only names the folder; the second defines s() in it.
    auto r = tarsk1({input(work, "restrict/std.i"), input(work, "restrict/r.i"), "-METRICS=" + out.path(),
                     "-RESTRICT_METRICS=" + kData + "/restrict"},
                    work.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(entries(out.path()), Names{"R.C.met"});
    EXPECT_EQ(readFile(out.file("R.C.met")), expected("restrict/r.met"));
}

TEST(EndToEnd, WithoutMetricsFolder)
{
    // A copy of the sources, so that files written beside them stay in the temporary tree.
    TempDir tree, work;
    ASSERT_EQ(std::system(("cp -r '" + kData + "/restrict' '" + tree.path() + "/'").c_str()), 0);
    const std::string in = input(work, "restrict/r.i", tree.path());
    const std::string log = work.file("run.log");

    auto r = tarsk1({in, "-VANTEL_LOG=" + log}, work.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readFile(work.file("R.C.met")), expected("restrict/r.met", tree.path()));
    EXPECT_EQ(readFile(work.file("S.H.met")), expected("restrict/s.met", tree.path()));
    EXPECT_EQ(readFile(log), "MET ./S.H.met\nMET ./R.C.met\n");

    // With the option but no folder, each file goes beside its source, and
    // the log names the file the host holds.
    testutil::writeFile(log, "");
    r = tarsk1({in, "-METRICS", "-VANTEL_LOG=" + log}, work.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string beside = tree.path() + "/restrict";
    EXPECT_EQ(readFile(beside + "/R.C.met"), expected("restrict/r.met", tree.path()));
    EXPECT_EQ(readFile(beside + "/sub/S.H.met"), expected("restrict/s.met", tree.path()));
    EXPECT_EQ(readFile(log), "MET " + beside + "/sub/S.H.met\nMET " + beside + "/R.C.met\n");
}

// Source names hold whatever bytes the host allows. Names that are not text
// in the local encoding stay apart and keep their bytes in the output names;
// control characters leave the documents well-formed (xmllint reads every
// document these runs write).
TEST(EndToEnd, SourceNamesOfAnyBytes)
{
    TempDir tree, work, out;
    const struct {
        const char *file, *marker, *met, *shown;
    } sources[] = {
        {"\xE9.c", "\xE9.c", "\xE9.C.met", "\xEF\xBF\xBD.C"},
        {"\xE8.c", "\xE8.c", "\xE8.C.met", "\xEF\xBF\xBD.C"},
        {"c\x01t.c", "c\\001t.c", "C\x01T.C.met", "C\xEF\xBF\xBDT.C"},
        {"t\tb.c", "t\\tb.c", "T\tB.C.met", "T&#9;B.C"},
    };
    std::string text;
    for (const auto &s : sources) {
        const std::string function = "int f_" + std::to_string(text.size()) + "(void) { return 0; }\n";
        testutil::writeFile(tree.file(s.file), function);
        text += "# 1 \"" + tree.path() + "/" + s.marker + "\"\n" + function;
    }
    testutil::writeFile(work.file("n.i"), text);
    auto r = tarsk1({work.file("n.i"), "-METRICS=" + out.path()}, work.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Names written;
    for (const auto &s : sources) {
        written.push_back(s.met);
        const std::string met = readFile(out.file(s.met));
        EXPECT_NE(met.find(std::string("<FILE Name=\"") + s.shown + "\""), std::string::npos) << met;
        EXPECT_EQ(met.find("<FUNCTION"), met.rfind("<FUNCTION")) << "one function each: " << met;
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(entries(out.path()), written);
}

}  // namespace

namespace {

// The GCC target keeps the compiler's own headers out of the metrics for any
// GCC version and machine, not only the one it was written on.
TEST(EndToEnd, GccTargetSkipsEveryCompilerHeaderFolder)
{
    TempDir work, out;
    const std::string source = work.file("m.c");
    testutil::writeFile(source, "#include <xintrin.h>\nint main(void) { return _mm_x(1); }\n");
    std::string text = "# 1 \"" + source + "\"\n";
    for (const char *folder : {"x86_64-linux-gnu/14", "aarch64-linux-gnu/12"}) {
        text += std::string("# 1 \"/usr/lib/gcc/") + folder +
                "/include/xintrin.h\" 1 3\n"
                "static __inline__ int __attribute__((__always_inline__)) _mm_x(int a) { return a ? 1 : 2; }\n"
                "# 2 \"" +
                source + "\" 2\n";
    }
    text += "int main(void) { return _mm_x(1); }\n";
    const std::string preprocessed = work.file("m.i");
    testutil::writeFile(preprocessed, text);

    auto r = tarsk1({preprocessed, "-METRICS=" + out.path()}, work.path(), "gcc-glibc");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(entries(out.path()), Names{"M.C.met"});
    const std::string met = readFile(out.file("M.C.met"));
    EXPECT_NE(met.find("main"), std::string::npos);
    EXPECT_EQ(met.find("_mm_x"), std::string::npos);
}

}  // namespace
