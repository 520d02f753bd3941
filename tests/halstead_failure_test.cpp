// The Halstead pass's messages: unbalanced conditionals end the run after the
// pass, line markers are warned about, and missing files are internal errors.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <string>

#include "metrics/halstead.h"
#include "support/machine.h"
#include "testutil.h"

using testing::AllOf;
using testing::HasSubstr;
using testing::Not;

namespace {

const char *const unbalanced =
    " preprocessing directive is not associated to a #if, #ifdef, #ifndef, #elif nor #else.\n"
    "Check that this missing directive is at the beginning of the source line, optionally "
    "prefixed with spaces or tabs.\n";

void scanFile(const std::string &path)
{
    setToolIdentity("Corvel", "tarsk1");
    HalsteadCounts counts{};
    runHalsteadPass(path.c_str(), nullptr, &counts);
    std::fprintf(stderr, "pass done, Total %d\n", counts.Total);
}

int warningCount()
{
    int errors = 0, warnings = 0;
    messageCounts(errors, warnings);
    return warnings;
}

}  // namespace

TEST(HalsteadFailureDeathTest, EndifWithoutIfStopsTheRunAfterThePass)
{
    testutil::TempDir dir;
    const std::string path = dir.file("a.c");
    testutil::writeFile(path, "a;\n\n/* x\n*/\nb;\n\n#endif\nc;\n");
    EXPECT_EXIT(scanFile(path), testing::ExitedWithCode(7),
                AllOf(HasSubstr("Corvel tarsk1 - ERROR: [" + path + ",7] a #endif" + unbalanced),
                      HasSubstr("Corvel tarsk1 - FATAL ERROR: Fix the errors above before proceeding again\n"),
                      Not(HasSubstr("pass done"))));
}

TEST(HalsteadFailureDeathTest, ElseAndElifPopBeforeTheyPush)
{
    testutil::TempDir dir;
    const std::string path = dir.file("b.c");
    testutil::writeFile(path, "#if A\n#else\n#elif B\n#endif\n#elif C\n#endif\n");
    EXPECT_EXIT(scanFile(path), testing::ExitedWithCode(7),
                AllOf(HasSubstr("[" + path + ",5] a #elif" + unbalanced), Not(HasSubstr(",2]")), Not(HasSubstr(",3]")),
                      Not(HasSubstr(",4]")), Not(HasSubstr(",6]"))));
}

TEST(HalsteadFailureDeathTest, ErrorsReportedEarlierStopTheRunToo)
{
    testutil::TempDir dir;
    const std::string path = dir.file("c.c");
    testutil::writeFile(path, "x;\n");
    EXPECT_EXIT(
        {
            reportError("earlier");
            scanFile(path);
        },
        testing::ExitedWithCode(7), HasSubstr("Fix the errors above before proceeding again"));
}

TEST(HalsteadFailureDeathTest, MissingPathOrFileIsInternal)
{
    EXPECT_EXIT(runHalsteadPass(nullptr, nullptr, nullptr), testing::ExitedWithCode(9),
                HasSubstr("Cannot calcul Halstead parameters w/o file name"));
    testutil::TempDir dir;
    EXPECT_EXIT(scanFile(dir.file("none.c")), testing::ExitedWithCode(9),
                HasSubstr("Halstead calcul : cannot open source file"));
    EXPECT_EXIT(scanFile(dir.path()), testing::ExitedWithCode(9),
                HasSubstr("Halstead calcul : cannot open source file"));
}

TEST(HalsteadWarnings, LineMarkersAndLineDirectives)
{
    testutil::TempDir dir;
    const std::string path = dir.file("d.c");
    testutil::writeFile(path, "# 12 \"f.c\"\n#line 5 \"g.c\"\n%:3\n#lines 5\n#pragma 5\n#line x\n");
    const int before = warningCount();
    testing::internal::CaptureStderr();
    HalsteadCounts counts{};
    runHalsteadPass(path.c_str(), nullptr, &counts);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(warningCount() - before, 3);
    EXPECT_THAT(err, HasSubstr("WARNING: halstead:Directive() #12 \"f.c\"\n\n"));
    EXPECT_THAT(err, HasSubstr("WARNING: halstead:Directive() #line 5 \"g.c\"\n\n"));
    EXPECT_THAT(err, HasSubstr("WARNING: halstead:Directive() #3\n\n"));
    EXPECT_EQ(counts.Total, 6);
}

// The warning quotes the line; a NUL byte in it must not cut the message short.
TEST(HalsteadWarnings, LineMarkerWithANulByteIsQuotedWhole)
{
    testutil::TempDir dir;
    const std::string path = dir.file("n.c");
    testutil::writeFile(path, std::string("# 12 \"a\0b.c\"\nint x;\n", 20));
    testing::internal::CaptureStderr();
    HalsteadCounts counts{};
    runHalsteadPass(path.c_str(), nullptr, &counts);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr(std::string("halstead:Directive() #12 \"a\0b.c\"\n\n", 34)));
}
