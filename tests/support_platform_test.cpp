// The host side of paths: case-insensitive resolution on a real tree and
// text-mode reading of CR LF files.
#include "support/platform.h"

#include "testutil.h"

#include <gtest/gtest.h>

#include <QString>

#include <cerrno>
#include <unistd.h>
#include <sys/stat.h>

namespace {

std::string upperProgramPath(const std::string &host)
{
    return QString::fromStdString(programPath(host)).toUpper().toStdString();
}

std::string readText(FILE *in)
{
    std::string text;
    char buffer[1000];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    return text;
}

std::string readTextFile(const std::string &path)
{
    FILE *in = openTextForReading(path.c_str());
    if (!in) return "<cannot open>";
    std::string text = readText(in);
    std::fclose(in);
    return text;
}

// Creates a file through the platform's opener, as the metrics writer does.
// A move as the writer makes one: found case-insensitively, then noted.
void moveAndNote(const std::string &from, const std::string &to)
{
    const std::string source = hostPath(from.c_str()), target = hostPathForWriting(to.c_str());
    EXPECT_TRUE(moveOnHost(source, target));
    noteMovedOnHost(source, target);
}

void writeThrough(const char *programPath)
{
    const int out = openForAppending(programPath);
    ASSERT_GE(out, 0);
    EXPECT_EQ(::write(out, "document\n", 9), 9);
    ::close(out);
}

std::string crlfToLf(const std::string &text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

class HostTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::mkdir(dir.file("Src").c_str(), 0700);
        ::mkdir(dir.file("Src/inc").c_str(), 0700);
        testutil::writeFile(dir.file("Src/a.c"), "lower\n");
        testutil::writeFile(dir.file("Src/A.c"), "mixed\n");
        testutil::writeFile(dir.file("Src/inc/b.h"), "header\n");
        root = upperProgramPath(dir.path());
    }
    testutil::TempDir dir;
    std::string root;  // the temporary folder in upper-case program form
};

}  // namespace

TEST_F(HostTree, ComponentsResolveCaseInsensitivelyAndExactCaseWins)
{
    EXPECT_EQ(hostPath((root + "\\SRC\\INC\\B.H").c_str()), dir.file("Src/inc/b.h"));
    EXPECT_EQ(readTextFile(root + "\\SRC\\INC\\B.H"), "header\n");
    EXPECT_EQ(hostPath((root + "\\SRC\\a.c").c_str()), dir.file("Src/a.c"));
    EXPECT_EQ(hostPath((root + "\\src\\A.c").c_str()), dir.file("Src/A.c"));
    // Neither spelling exists as written: the first in name order answers.
    EXPECT_EQ(hostPath((root + "\\SRC\\A.C").c_str()), dir.file("Src/A.c"));
    bool isDirectory = false;
    EXPECT_TRUE(statPath((root + "\\SRC\\INC").c_str(), &isDirectory));
    EXPECT_TRUE(isDirectory);
    EXPECT_TRUE(statPath((root + "/SRC/INC/B.H").c_str(), &isDirectory));
    EXPECT_FALSE(isDirectory);
}

TEST_F(HostTree, UnmatchedPathsComeBackAsWritten)
{
    const std::string missing = root + "\\SRC\\NONE\\B.H";
    EXPECT_EQ(hostPath(missing.c_str()), plainHostPath(missing.c_str()));
    EXPECT_FALSE(statPath(missing.c_str()));
    errno = 0;
    EXPECT_EQ(openTextForReading(missing.c_str()), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(hostPath("C:\\T\\ana"), "C:/T/ana");
    EXPECT_EQ(plainHostPath("\\HOME\\U\\P\\A.C"), "/HOME/U/P/A.C");
    EXPECT_EQ(programPath("/home/u/p"), "\\home\\u\\p");
}

TEST_F(HostTree, WritingFindsExistingFilesAndNewFilesAreSeenLater)
{
    EXPECT_EQ(hostPathForCreating((root + "\\SRC\\INC\\New.met").c_str()), dir.file("Src/inc/New.met"));

    int out = openHostForRewriting(hostPath((root + "\\SRC\\INC\\B.H").c_str()));  // the existing b.h
    ASSERT_GE(out, 0);
    EXPECT_EQ(::write(out, "re", 2), 2);
    ::close(out);
    EXPECT_EQ(testutil::readFile(dir.file("Src/inc/b.h")).substr(0, 2), "re");
    EXPECT_FALSE(testutil::exists(dir.file("Src/inc/B.H")));
    EXPECT_LT(openHostForRewriting(hostPath((root + "\\SRC\\INC").c_str())), 0);  // not a regular file

    out = openForAppending((root + "\\SRC\\INC\\Log.txt").c_str());
    ASSERT_GE(out, 0);
    EXPECT_EQ(::write(out, "one\n", 4), 4);
    ::close(out);
    EXPECT_EQ(testutil::readFile(dir.file("Src/inc/Log.txt")), "one\n");
    EXPECT_EQ(readTextFile(root + "\\SRC\\INC\\LOG.TXT"), "one\n");  // the listing was refreshed

    moveAndNote(root + "\\SRC\\INC\\LOG.TXT", root + "\\SRC\\Moved.txt");
    EXPECT_EQ(testutil::readFile(dir.file("Src/Moved.txt")), "one\n");
    EXPECT_EQ(readTextFile(root + "\\SRC\\MOVED.TXT"), "one\n");
}

// The program's own creations, renames and removals update the kept listing
// of their directory, so case-insensitive lookups stay right without reading
// it again, also when two entries differ only in case.
TEST_F(HostTree, OwnChangesKeepTheListingRight)
{
    const std::string temp = hostPathForCreating((root + "\\SRC\\Out.met.1.tmp").c_str());
    EXPECT_EQ(hostPath((root + "\\SRC\\A.C").c_str()), dir.file("Src/A.c"));  // listing kept from here on
    writeThrough((root + "\\SRC\\Out.met.1.tmp").c_str());
    EXPECT_EQ(hostPath((root + "\\SRC\\OUT.MET.1.TMP").c_str()), temp);

    moveAndNote(root + "\\SRC\\OUT.MET.1.TMP", root + "\\SRC\\Out.met");
    EXPECT_EQ(hostPath((root + "\\SRC\\OUT.MET").c_str()), dir.file("Src/Out.met"));
    EXPECT_FALSE(statPath((root + "\\SRC\\OUT.MET.1.TMP").c_str()));

    // Of a.c and A.c, A.c answers A.C; once it is gone, a.c does.
    EXPECT_TRUE(removeOnHost(dir.file("Src/A.c")));
    EXPECT_EQ(hostPath((root + "\\SRC\\A.C").c_str()), dir.file("Src/a.c"));
    EXPECT_TRUE(removeOnHost(dir.file("Src/a.c")));
    EXPECT_FALSE(statPath((root + "\\SRC\\A.C").c_str()));
    EXPECT_FALSE(removeOnHost(dir.file("Src/a.c")));
}

// A file the platform's own openers create is in the listing too: a later
// creation in that directory must not hide it.
TEST_F(HostTree, FilesOpenedForWritingStayInTheListing)
{
    EXPECT_EQ(hostPath((root + "\\SRC\\A.C").c_str()), dir.file("Src/A.c"));  // listing kept from here on
    const int log = openForAppending((root + "\\SRC\\Run.log").c_str());
    ASSERT_GE(log, 0);
    ::close(log);
    writeThrough((root + "\\SRC\\Out.met.1.tmp").c_str());
    EXPECT_EQ(hostPath((root + "\\SRC\\RUN.LOG").c_str()), dir.file("Src/Run.log"));
}

TEST(CurrentDirectory, HostDirectoryInProgramForm)
{
    char host[4096];
    ASSERT_NE(::getcwd(host, sizeof host), nullptr);
    EXPECT_EQ(hostCurrentDirectory(), programPath(host));
}

TEST(TextReading, CarriageReturnLineFeedBecomesLineFeed)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("t"), "a\r\nb\rc\r\r\n\r\n\n\rd\r");
    EXPECT_EQ(readTextFile(dir.file("t")), "a\nb\rc\r\n\n\n\rd\r");

    // Byte by byte, so every CR meets its LF in a separate read.
    FILE *in = openTextForReading(dir.file("t").c_str());
    ASSERT_NE(in, nullptr);
    std::setvbuf(in, nullptr, _IONBF, 0);
    std::string text;
    for (int c; (c = std::fgetc(in)) != EOF;) text += char(c);
    EXPECT_EQ(text, "a\nb\rc\r\n\n\n\rd\r");
    std::rewind(in);
    EXPECT_EQ(readText(in), "a\nb\rc\r\n\n\n\rd\r");
    std::fclose(in);
}

TEST(TextReading, PairsAcrossEveryBufferBoundary)
{
    // Lines of every length from 0 to 300 put a CR LF pair across any
    // power-of-two boundary of the reader's and the stream's buffers.
    std::string content;
    for (int round = 0; round < 3; ++round) {
        for (int length = 0; length <= 300; ++length) content += std::string(length, 'a' + length % 26) + "\r\n";
        content += "lone\rcr\r\r\n";
    }
    testutil::TempDir dir;
    testutil::writeFile(dir.file("big"), content);
    EXPECT_EQ(readTextFile(dir.file("big")), crlfToLf(content));
    EXPECT_EQ(readTextFile(dir.file("big")).size(), content.size() - 3 * 302);
}

TEST(TextReading, DirectoriesAndEmptyFiles)
{
    testutil::TempDir dir;
    errno = 0;
    EXPECT_EQ(openTextForReading(dir.path().c_str()), nullptr);
    EXPECT_EQ(errno, EISDIR);
    testutil::writeFile(dir.file("empty"), "");
    EXPECT_EQ(readTextFile(dir.file("empty")), "");
}
