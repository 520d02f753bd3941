// Path operations in program form and the split of source paths.
#include "support/alpha.h"
#include "support/files.h"
#include "support/machine.h"
#include "support/platform.h"

#include "testutil.h"

#include <gtest/gtest.h>

#include <QString>

#include <cerrno>
#include <climits>

namespace {

// Takes a new string from the module and frees it.
std::string take(char *text)
{
    std::string s = text;
    releaseBlock(text);
    return s;
}

std::string upperProgramPath(const std::string &host)
{
    return QString::fromStdString(programPath(host)).toUpper().toStdString();
}

}  // namespace

TEST(PathText, JoinAndRelative)
{
    EXPECT_EQ(take(joinPath("C:\\T", "ana")), "C:\\T\\ana");
    EXPECT_EQ(take(joinPath("C:\\T\\", "ana")), "C:\\T\\ana");
    EXPECT_EQ(take(joinPath("/t/", "ana")), "/t/ana");
    EXPECT_EQ(take(joinPath("", "x")), "\\x");

    EXPECT_FALSE(isRelativePath("C:x"));
    EXPECT_FALSE(isRelativePath("/x"));
    EXPECT_FALSE(isRelativePath("\\x"));
    EXPECT_TRUE(isRelativePath("src"));
    EXPECT_TRUE(isRelativePath("s"));
    EXPECT_TRUE(isRelativePath(""));
}

TEST(PathText, NormalizeDirectory)
{
    EXPECT_EQ(take(normalizeDirectory("a\\.\\b\\..\\c")), "a\\c\\");
    EXPECT_EQ(take(normalizeDirectory("\\x\\y")), "\\x\\y\\");
    EXPECT_EQ(take(normalizeDirectory("/usr/include/")), "\\usr\\include\\");
    EXPECT_EQ(take(normalizeDirectory("..\\..\\a\\b\\..")), "..\\..\\a\\");
    EXPECT_EQ(take(normalizeDirectory("a\\\\b")), "a\\\\b\\");  // the empty component stays
    EXPECT_EQ(take(normalizeDirectory("\\..\\x")), "\\..\\x\\");
    EXPECT_EQ(take(normalizeDirectory("a\\..")), ".\\");
}

TEST(PathText, LocationKeyAndConversions)
{
    EXPECT_EQ(take(makeLocationKey("D:\\", "F.C", 12)), "[D:\\F.C,12]");
    EXPECT_EQ(take(makeLocationKey("\\SRC\\A.C", nullptr, UINT_MAX)), "[\\SRC\\A.C,4294967295]");
    EXPECT_EQ(take(upperCopy("main_v2.c \xc3\xa9")), "MAIN_V2.C \xc3\xa9");
    EXPECT_EQ(take(localToUtf8("caf\xc3\xa9")), "caf\xc3\xa9");
    EXPECT_EQ(take(utf8ToLocal("caf\xc3\xa9")), "caf\xc3\xa9");
}

TEST(SourcePaths, SpellingsOfOneFileSplitToTheSameEntries)
{
    _AlphaType *name, *directory, *name2, *directory2;
    splitSourcePath("c:\\src\\a.c", &name, &directory);
    splitSourcePath("C:\\SRC\\A.C", &name2, &directory2);
    EXPECT_STREQ(name->text, "A.C");
    EXPECT_STREQ(directory->text, "C:\\SRC\\");
    EXPECT_EQ(name, name2);
    EXPECT_EQ(directory, directory2);
    EXPECT_TRUE(sameSourceFile("c:\\src\\a.c", "C:\\SRC\\A.C"));
    EXPECT_FALSE(sameSourceFile("c:\\src\\a.c", "c:\\src\\b.c"));
    EXPECT_FALSE(sameSourceFile("c:\\src\\a.c", "c:\\lib\\a.c"));
    // Names that are not UTF-8 text keep their bytes; only ASCII letters change.
    splitSourcePath("c:\\\xe9\\a\xe9.c", &name, &directory);
    EXPECT_STREQ(name->text, "A\xe9.C");
    EXPECT_STREQ(directory->text, "C:\\\xe9\\");
    EXPECT_FALSE(sameSourceFile("c:\\src\\\xe9.c", "c:\\src\\\xe8.c"));
    splitSourcePath("c:\\\xc3\xa9\\\xc3\xa9.c", &name, &directory);
    EXPECT_STREQ(name->text, "\xc3\x89.C");

    testutil::TempDir dir;
    ::mkdir(dir.file("Src").c_str(), 0700);
    testutil::writeFile(dir.file("Src/a.c"), "int x;\n");
    const std::string expectedDirectory = upperProgramPath(dir.path()) + "\\SRC\\";
    splitSourcePath(dir.file("Src/a.c").c_str(), &name, &directory);
    EXPECT_STREQ(name->text, "A.C");
    EXPECT_EQ(directory->text, expectedDirectory);
    const std::string other = upperProgramPath(dir.path()) + "\\SRC\\.\\..\\src\\A.c";
    splitSourcePath(other.c_str(), &name2, &directory2);
    EXPECT_EQ(name2, name);
    EXPECT_EQ(directory2, directory);
}

TEST(SourcePaths, RelativePathsStartAtTheCurrentDirectory)
{
    const std::string cwd = currentDirectory();
    char host[4096];
    ASSERT_NE(::getcwd(host, sizeof host), nullptr);
    EXPECT_EQ(cwd, programPath(host) + "\\");
    EXPECT_EQ(currentDirectory(), currentDirectory());  // one buffer for the run

    _AlphaType *name, *directory;
    splitSourcePath("sub/x.h", &name, &directory);
    EXPECT_STREQ(name->text, "X.H");
    EXPECT_EQ(directory->text, upperProgramPath(host) + "\\SUB\\");
}

TEST(SourcePaths, ExistenceAndShortNames)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("PROGRA~1.C"), "");
    const std::string tilde = dir.file("PROGRA~1.C");
    char *result = reinterpret_cast<char *>(1);
    EXPECT_TRUE(expandShortNames(tilde.c_str(), &result));
    EXPECT_EQ(result, nullptr);  // no short names here: the path is its own long form
    EXPECT_TRUE(fileExists(tilde.c_str()));
    EXPECT_TRUE(fileExists(upperProgramPath(dir.path()).c_str()));

    errno = EINVAL;
    EXPECT_FALSE(fileExists(dir.file("none.c").c_str()));
    EXPECT_EQ(errno, 0);
    EXPECT_FALSE(expandShortNames(dir.file("no~1.c").c_str(), &result));
    EXPECT_EQ(result, nullptr);
}
