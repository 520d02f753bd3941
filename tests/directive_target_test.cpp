// The GCC target's definition file: every number-sign line in it is a form
// the directive scanner knows, it leaves the marks the scanner needs, and
// with it real gcc -E output of the common system headers scans cleanly.
#include "directive_fixture.h"

#include <fstream>
#include <sstream>

#include "frontend/kinds.h"
#include "testutil.h"

namespace {

using GccTarget = DirectiveTest;

TEST_F(GccTarget, DefinitionPragmasAreAllKnown)
{
    std::ifstream in(TARSK1_SOURCE_ROOT "/targets/gcc-glibc/ana/mvct.def");
    ASSERT_TRUE(in.good());
    std::string line, warnings;
    int pragmas = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] != '#') continue;
        ++pragmas;
        warnings += scan((line + "\n").c_str());
    }
    EXPECT_EQ(warnings, "");
    EXPECT_GT(pragmas, 40);

    EXPECT_EQ(flagsOf("__attribute__"), ALPHA_REDUCE_NULL);
    EXPECT_EQ(flagsOf("__restrict"), ALPHA_DROP_EARLY);
    EXPECT_EQ(AcceptCode(FindOrAddAlpha("__const")), uint32_t(CONST));
    EXPECT_EQ(AcceptCode(FindOrAddAlpha("_Float128")), uint32_t(DOUBLE));
    EXPECT_EQ(alphaSpecialIndex(FindOrAddAlpha("__extension__")), 1u);
    EXPECT_EQ(flagsOf("__typeof__"), ALPHA_REDUCE_TYPENAME);
    std::vector<std::string> dirs;
    for (CountedList *c = files; c; c = c->next) dirs.push_back(static_cast<_AlphaType *>(c->item)->text);
    EXPECT_EQ(dirs, (std::vector<std::string>{"\\USR\\INCLUDE\\", "\\USR\\LIB\\GCC\\"}));
}

// The source's own lines keep their numbers behind thousands of header lines,
// and none of the GNU spellings reaches the parser as an identifier.
TEST(GccTargetScan, SystemHeadersScanWithoutWarning)
{
    testutil::TempDir dir;
    std::string preprocessed = dir.file("gcc_headers.i");
    testutil::ProcessResult gcc = testutil::runProcess(
        "/bin/sh", {"-c", "gcc -E '" TARSK1_TEST_DATA "/directives/gcc_headers.c' > '" + preprocessed + "'"});
    if (gcc.exitCode != 0) GTEST_SKIP() << "gcc -E is not available: " << gcc.err;

    testutil::ProcessResult r = testutil::runProcess(
        TARSK1_BUILD_DIR "/tests/tokendump", {TARSK1_SOURCE_ROOT "/targets/gcc-glibc/ana/mvct.def", preprocessed});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");

    std::istringstream out(r.out);
    std::string line, lastLine, mainLine;
    const char *gnu[] = {"[__attribute__]", "[__asm__]",   "[__restrict]", "[__inline]",
                         "[__const]",       "[_Float128]", "[__typeof__]"};
    while (std::getline(out, line)) {
        if (line.rfind("289 IDENTIFIER ", 0) == 0) {
            for (const char *word : gnu) EXPECT_EQ(line.find(word), std::string::npos) << line;
        }
        if (line.find(" [main] ") != std::string::npos && mainLine.empty()) mainLine = line;
        lastLine = line;
    }
    EXPECT_EQ(mainLine.rfind("289 IDENTIFIER 18/", 0), 0u) << mainLine;
    EXPECT_NE(mainLine.find(":5 GCC_HEADERS.C "), std::string::npos) << mainLine;
    EXPECT_EQ(lastLine.rfind("339 RBRACE 21/", 0), 0u) << lastLine;
    EXPECT_NE(lastLine.find(":82 GCC_HEADERS.C "), std::string::npos) << lastLine;
}

}  // namespace
