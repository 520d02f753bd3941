// Syntax errors end the run: through the real binary, a source file or a
// definition file with a syntax error stops with exit code 7 and the fatal
// message, and no metrics file is written for any input.
#include "testutil.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <string>
#include <vector>

namespace {

const std::string kInstall = std::string(TARSK1_SOURCE_ROOT) + "/install";

testutil::ProcessResult tarsk1(const std::vector<std::string> &args, const std::string &target,
                               const std::string &workDir)
{
    return testutil::runProcess(
        TARSK1_BINARY, args, {"CORVELDIR=" + kInstall, "MVRTGT=" + target, "LANG=C", "LC_ALL=C", "LANGUAGE"}, workDir);
}

std::string programDirectory(const std::string &hostDir)
{
    std::string d;
    for (char c : hostDir) d += c == '/' ? '\\' : static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return d + "\\";
}

int entries(const std::string &dir)
{
    int n = 0;
    if (DIR *d = ::opendir(dir.c_str())) {
        while (dirent *e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") ++n;
        ::closedir(d);
    }
    return n;
}

class GrammarRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::mkdir(dir.file("ana").c_str(), 0700);
        ::mkdir(dir.file("out").c_str(), 0700);
        testutil::writeFile(dir.file("ana/mvct.def"), "typedef int size_t;\n");
        testutil::writeFile(dir.file("good.c"), "int f(void) { return 1; }\n");
        testutil::writeFile(dir.file("bad.c"), "int g(void) { return 1 }\n");
    }
    testutil::TempDir dir;
};

TEST_F(GrammarRun, SyntaxErrorInSecondSourceStopsTheRunWithoutMetrics)
{
    testutil::ProcessResult r = tarsk1({"good.c", "bad.c", "-METRICS=out"}, dir.path(), dir.path());
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err, "Corvel tarsk1 - ERROR: syntax error near } [" + programDirectory(dir.path()) +
                         "BAD.C,1]\n"
                         "Corvel tarsk1 - FATAL ERROR: Syntax errors in source file, static analysis cancelled\n");
    EXPECT_EQ(entries(dir.file("out")), 0);
}

// An accept code the grammar cannot take (the error token, one beyond the
// int range) is an invalid token: a counted syntax error.
TEST_F(GrammarRun, AcceptCodesTheGrammarCannotTakeAreSyntaxErrors)
{
    for (const char *code : {"256", "3000000000", "4294967295"}) {
        testutil::writeFile(dir.file("code.c"),
                            std::string("#pragma mevra accept \"X\" = ") + code + "\nint g(void) { X; return 1; }\n");
        testutil::ProcessResult r = tarsk1({"code.c", "-METRICS=out"}, dir.path(), dir.path());
        EXPECT_EQ(r.exitCode, 7) << code;
        EXPECT_EQ(r.err.rfind("Corvel tarsk1 - ERROR: syntax error near ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("FATAL ERROR: Syntax errors in source file"), std::string::npos) << r.err;
        EXPECT_EQ(entries(dir.file("out")), 0);
    }
}

TEST_F(GrammarRun, SyntaxErrorInDefinitionFileNamesIt)
{
    testutil::writeFile(dir.file("ana/mvct.def"), "typedef int size_t\n");
    testutil::ProcessResult r = tarsk1({"good.c", "-METRICS=out"}, dir.path(), dir.path());
    EXPECT_EQ(r.exitCode, 7);
    std::string defDir = programDirectory(dir.path() + "/ana");
    EXPECT_EQ(r.err, "Corvel tarsk1 - ERROR: syntax error near <end-of-file> [" + defDir +
                         "MVCT.DEF,2]\n"
                         "Corvel tarsk1 - FATAL ERROR: Syntax errors in standard definition file " +
                         dir.path() + "\\ana\\mvct.def\n");
    EXPECT_EQ(entries(dir.file("out")), 0);
}

}  // namespace
