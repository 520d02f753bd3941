// A hostile environment through the real binary: sources that vanish, metrics
// folders and logs that cannot be written, self-naming option files, huge
// variable references, signals in the middle of a run, and one run under
// valgrind. Each ends with its documented message and exit code within
// bounded time and memory, and never leaves a partial metrics file.
#include "hostile_run.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <regex>
#include <string>
#include <thread>

using hostile::Outcome;
using hostile::expectBounded;
using testutil::TempDir;

namespace {

const char *const kMissingSource = "Corvel tarsk1 - INTERNAL ERROR: Halstead calcul : cannot open source file\n\n";
const char *const kSmallSource = "int f(int a)\n{\n    if (a > 0)\n        return 1;\n    return 0;\n}\n";

// A folder with the small source a.c and an empty metrics folder "out".
struct Workspace {
    TempDir dir;
    std::string out = dir.file("out");
    Workspace()
    {
        ::mkdir(out.c_str(), 0755);
        testutil::writeFile(dir.file("a.c"), kSmallSource);
    }
    Outcome run(const std::vector<std::string> &args, std::vector<std::string> env = {},
                const hostile::Watcher &watcher = {}, const hostile::Limits &limits = {})
    {
        return hostile::tarsk1(args, dir.path(), "minimal", std::move(env), limits, watcher);
    }
};

TEST(HostileRun, LineMarkerNamingAMissingFile)
{
    Workspace w;
    testutil::writeFile(w.dir.file("a.i"), "# 1 \"" + w.dir.file("gone/nowhere.c") + "\"\n" + kSmallSource);
    Outcome r = w.run({"a.i", "-METRICS=out"});
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_EQ(r.err, kMissingSource);
    EXPECT_TRUE(hostile::metricsLeftovers(w.out).empty());
    expectBounded(r, 10, 300);
}

// The preprocessed input comes through a pipe that the test closes only after
// removing the source its line marker names: the source exists when the run
// starts and is gone before the parse can end.
Outcome runThroughPipe(Workspace &w, bool removeSource)
{
    const std::string fifo = w.dir.file("a.i");
    if (::mkfifo(fifo.c_str(), 0600) != 0) ADD_FAILURE() << "mkfifo";
    const std::string text = "# 1 \"" + w.dir.file("a.c") + "\"\n" + kSmallSource;
    bool fed = false;
    return w.run({"a.i", "-METRICS=out"}, {}, [&](pid_t, double) {
        if (fed) return;
        int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0) return;  // the reader has not opened its end yet
        if (::write(fd, text.data(), text.size()) != ssize_t(text.size())) ADD_FAILURE() << "short write";
        if (removeSource) ::unlink(w.dir.file("a.c").c_str());
        ::close(fd);
        fed = true;
    });
}

TEST(HostileRun, SourceRemovedBetweenParseAndHalsteadPass)
{
    {
        Workspace w;
        Outcome r = runThroughPipe(w, false);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(hostile::metricsLeftovers(w.out), std::vector<std::string>{"A.C.met"});
    }
    Workspace w;
    Outcome r = runThroughPipe(w, true);
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_EQ(r.err, kMissingSource);
    EXPECT_TRUE(hostile::metricsLeftovers(w.out).empty());
    expectBounded(r, 10, 300);
}

const char *const kOneUnwritten = "Corvel tarsk1 - FATAL ERROR: 1 metrics file(s) could not be written\n";

// The entry is skipped with its message, its log record is still written,
// and the run then ends as a failure.
void expectUnwritableFolder(Workspace &w, const std::string &folder)
{
    Outcome r = w.run({"a.c", "-METRICS=" + folder, "-VANTEL_LOG=log"});
    const std::string name = folder + "/A.C.met";
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err, "Cannot open the file " + name + " for writing\n" + kOneUnwritten);
    EXPECT_EQ(testutil::readFile(w.dir.file("log")), "MET " + name + "\n");
    expectBounded(r, 10, 300);
}

TEST(HostileRun, UnwritableMetricsFolder)
{
    Workspace w;
    if (::geteuid() == 0) {
        // Permissions do not stop the superuser; /proc takes no new files.
        expectUnwritableFolder(w, "/proc");
        return;
    }
    ::chmod(w.out.c_str(), 0555);
    expectUnwritableFolder(w, w.out);
    ::chmod(w.out.c_str(), 0755);
    EXPECT_TRUE(hostile::listFolder(w.out).empty());
}

TEST(HostileRun, MetricsFolderThatIsAFile)
{
    Workspace w;
    const std::string file = w.dir.file("plain");
    testutil::writeFile(file, "keep");
    expectUnwritableFolder(w, file);
    EXPECT_EQ(testutil::readFile(file), "keep");
    EXPECT_TRUE(hostile::metricsLeftovers(w.dir.path()).empty());
}

// One file that cannot take its place and one that can: the second is
// written and logged all the same, and the run fails after both.
TEST(HostileRun, OneUnwritableFileOfTwo)
{
    Workspace w;
    testutil::writeFile(w.dir.file("b.c"), "int g(void) { return 0; }\n");
    ::mkdir((w.out + "/A.C.met").c_str(), 0755);
    Outcome r = w.run({"a.c", "b.c", "-METRICS=out", "-VANTEL_LOG=log"});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err, "Cannot open the file out/A.C.met for writing\n" + std::string(kOneUnwritten));
    EXPECT_EQ(testutil::readFile(w.dir.file("log")), "MET out/B.C.met\nMET out/A.C.met\n");
    EXPECT_NE(testutil::readFile(w.out + "/B.C.met").find("Name=\"g\""), std::string::npos);
}

// A write that fails after the open (here: a file size limit) is a failure too.
TEST(HostileRun, WriteFailingAfterTheOpen)
{
    Workspace w;
    hostile::Limits limits;
    limits.fileSizeBytes = 300;  // room for the messages, not for the document
    Outcome r = w.run({"a.c", "-METRICS=out"}, {}, {}, limits);
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err, "Cannot write the file out/A.C.met\n" + std::string(kOneUnwritten));
    EXPECT_TRUE(hostile::metricsLeftovers(w.out).empty());
}

TEST(HostileRun, LogThatCannotBeAppended)
{
    Workspace w;
    ::mkdir(w.dir.file("logdir").c_str(), 0755);
    Outcome r = w.run({"a.c", "-METRICS=out", "-VANTEL_LOG=logdir"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "Corvel tarsk1 - WARNING: Cannot append to Vantel Log File: logdir Is a directory\n");
    EXPECT_EQ(hostile::metricsLeftovers(w.out), std::vector<std::string>{"A.C.met"});
}

// Tokens of an option file are never option files: the self-reference is an
// input file name (or an option) like any other token.
TEST(HostileRun, OptionFileNamingItself)
{
    Workspace w;
    testutil::writeFile(w.dir.file("self.opt"), "a.c\n@self.opt\n-METRICS=out\n");
    Outcome r = w.run({"@self.opt"});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err, "Corvel tarsk1 - FATAL ERROR: Cannot open input file @self.opt\n");
    EXPECT_TRUE(hostile::metricsLeftovers(w.out).empty());
    expectBounded(r, 10, 300);

    testutil::writeFile(w.dir.file("self.opt"), "a.c -option=self.opt\n");
    r = w.run({"-option=self.opt"});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_TRUE(hostile::endsWith(r.err, "Corvel tarsk1 - FATAL ERROR: Error(s) in command line\n")) << r.err;
    EXPECT_NE(r.err.find("option=self.opt"), std::string::npos) << r.err;
}

// A reference to a long value is refused as too long; many references to it
// must not build the gigabytes they would expand to.
TEST(HostileRun, HugeVariableReferences)
{
    Workspace w;
    const std::string big(100000, 'x');
    const std::string tooLarge = "Orvane(R) Corvel Command analysis : Arg length too large, ";
    const std::string fatal = "Corvel tarsk1 - FATAL ERROR: Error(s) in command line\n";
    Outcome r = w.run({"$BIG"}, {"BIG=" + big});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err.rfind(tooLarge + big + "\n", 0), 0u) << r.err.substr(0, 200);
    EXPECT_TRUE(hostile::endsWith(r.err, fatal));

    std::string refs;
    for (int i = 0; i < 30000; ++i) refs += "$BIG";
    r = w.run({refs}, {"BIG=" + big});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err.rfind(tooLarge + "$BIG$BIG", 0), 0u) << r.err.substr(0, 200);
    EXPECT_TRUE(hostile::endsWith(r.err, fatal));
    expectBounded(r, 10, 300);

    testutil::writeFile(w.dir.file("refs.opt"), refs + refs + "\n");
    r = w.run({"@refs.opt"}, {"BIG=" + big});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err.rfind(tooLarge + "$BIG$BIG", 0), 0u) << r.err.substr(0, 200);
    expectBounded(r, 10, 300);
}

// Enough functions that parsing takes a good part of a second and the single
// metrics file takes a while to write.
std::string manyFunctions(int n)
{
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "int f" + std::to_string(i) + "(int a) { if (a) return " + std::to_string(i) + "; return 0; }\n";
    return text;
}

bool holdsTemporary(const std::string &folder)
{
    for (const std::string &n : hostile::listFolder(folder))
        if (hostile::endsWith(n, ".tmp")) return true;
    return false;
}

TEST(HostileRun, SignalWhileParsing)
{
    Workspace w;
    testutil::writeFile(w.dir.file("many.c"), manyFunctions(150000));
    bool sent = false, writing = false;
    Outcome r = w.run({"many.c", "-METRICS=out"}, {}, [&](pid_t pid, double elapsed) {
        if (sent || elapsed < 0.2) return;
        writing = !hostile::listFolder(w.out).empty();
        ::kill(pid, SIGTERM);
        sent = true;
    });
    ASSERT_TRUE(sent);
    EXPECT_FALSE(writing) << "the parse ended too early for this test";
    EXPECT_EQ(r.signal, SIGTERM);
    EXPECT_TRUE(hostile::listFolder(w.out).empty());
}

TEST(HostileRun, SignalWhileWritingLeavesNoFile)
{
    for (int sig : {SIGHUP, SIGINT, SIGTERM}) {
        Workspace w;
        testutil::writeFile(w.dir.file("many.c"), manyFunctions(60000));
        bool sent = false;
        Outcome r = w.run({"many.c", "-METRICS=out"}, {}, [&](pid_t pid, double) {
            if (sent || !holdsTemporary(w.out)) return;
            ::kill(pid, sig);
            sent = true;
        });
        ASSERT_TRUE(sent) << "no temporary metrics file was seen";
        EXPECT_EQ(r.signal, sig);
        EXPECT_TRUE(hostile::listFolder(w.out).empty()) << hostile::listFolder(w.out)[0];
    }
    // Started with interrupts ignored, the run ignores them while writing too.
    Workspace w;
    testutil::writeFile(w.dir.file("many.c"), manyFunctions(60000));
    bool sent = false;
    hostile::Limits ignoring;
    ignoring.ignoreInterrupt = true;
    Outcome r = w.run({"many.c", "-METRICS=out"}, {}, [&](pid_t pid, double) {
        if (sent || !holdsTemporary(w.out)) return;
        ::kill(pid, SIGINT);
        sent = true;
    }, ignoring);
    ASSERT_TRUE(sent);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(hostile::metricsLeftovers(w.out), std::vector<std::string>{"MANY.C.met"});
}

// An input that measures one function in each of n headers of its folder,
// so that a run writes n + 1 metrics files.
std::string manyHeaders(Workspace &w, int n)
{
    std::string text;
    for (int i = 0; i < n; ++i) {
        const std::string header = w.dir.file("h" + std::to_string(i) + ".h");
        const std::string body = "int g" + std::to_string(i) + "(void) { return " + std::to_string(i) + "; }\n";
        testutil::writeFile(header, body);
        text += "# 1 \"" + header + "\"\n" + body;
    }
    testutil::writeFile(w.dir.file("many.i"), text + "# 1 \"" + w.dir.file("a.c") + "\"\n" + kSmallSource);
    return "many.i";
}

// Out of memory wherever it strikes (the scanner's buffer for one huge
// identifier, the tree and the model of many functions): the fatal message,
// exit 7 and no file, never an abort.
TEST(HostileRun, OutOfMemoryEndsAsNoMemoryLeft)
{
    if (hostile::kSanitized) GTEST_SKIP() << "the sanitizers reserve more address space than the cap";
    struct Case {
        std::string text;
        long capMb;
    } cases[] = {{"int " + std::string(50 << 20, 'x') + ";\n", 100}, {manyFunctions(150000), 220}};
    for (const Case &c : cases) {
        Workspace w;
        testutil::writeFile(w.dir.file("big.c"), c.text);
        hostile::Limits capped;
        capped.addressSpaceMb = c.capMb;
        Outcome r = w.run({"big.c", "-METRICS=out"}, {}, {}, capped);
        EXPECT_EQ(r.exitCode, 7) << r.err.substr(0, 300);
        EXPECT_TRUE(hostile::endsWith(r.err, "Corvel tarsk1 - FATAL ERROR: No memory left\n")) << r.err.substr(0, 300);
        EXPECT_TRUE(hostile::listFolder(w.out).empty());
    }
}

// Each allocation of a small run that writes two metrics files and a log,
// made to fail in turn (a sample of them when there are many): the run ends
// as "No memory left" with exit 7 and leaves no file (or, when memory ran
// out after the last one was in place, the whole set), or (where a library
// could take the failure) it writes exactly what a normal run writes.
TEST(HostileRun, EveryFailingAllocationEndsAsNoMemoryLeft)
{
    if (hostile::kSanitized) GTEST_SKIP() << "the sanitizers own the allocator";
    Workspace w;
    testutil::writeFile(w.dir.file("b.h"), "static int twice(int x) { return 2 * x; }\n");
    testutil::writeFile(w.dir.file("a.i"), "# 1 \"" + w.dir.file("b.h") + "\"\nstatic int twice(int x) { return 2 * x; }\n"
                                           "# 1 \"" + w.dir.file("a.c") + "\"\n" + kSmallSource);
    const std::vector<std::string> args{"a.i", "-METRICS=out", "-VANTEL_LOG=log"};
    const std::string preload = std::string("LD_PRELOAD=") + TARSK1_FAILALLOC;
    const std::string countFile = "TARSK1_ALLOC_COUNT_FILE=" + w.dir.file("count");
    auto allocations = [&](const std::vector<std::string> &env) {
        std::vector<std::string> all{preload, countFile};
        all.insert(all.end(), env.begin(), env.end());
        w.run(args, all);
        return std::stol(testutil::readFile(w.dir.file("count")));
    };
    // Before the program's own start-up nothing can be reported.
    const long startUp = allocations({"CORVELDIR=" + w.dir.file("none")});
    const long total = allocations({});
    const std::string a = testutil::readFile(w.out + "/A.C.met"), b = testutil::readFile(w.out + "/B.H.met");
    ASSERT_GT(total, startUp);
    const long stride = std::max(1L, (total - startUp) / 150);
    for (long n = startUp + 1; n <= total; n += stride) {
        std::system(("rm -rf " + w.out + " " + w.dir.file("log") + " && mkdir " + w.out).c_str());
        Outcome r = w.run(args, {preload, "TARSK1_FAIL_ALLOC_AT=" + std::to_string(n)});
        if (r.exitCode == 0) {
            EXPECT_EQ(testutil::readFile(w.out + "/A.C.met"), a) << n;
            EXPECT_EQ(testutil::readFile(w.out + "/B.H.met"), b) << n;
            continue;
        }
        EXPECT_EQ(r.exitCode, 7) << n << ": " << r.err;
        EXPECT_TRUE(hostile::endsWith(r.err, "Corvel tarsk1 - FATAL ERROR: No memory left\n")) << n << ": " << r.err;
        // All or nothing: memory may also run out once every file is in place.
        if (hostile::listFolder(w.out).empty()) continue;
        EXPECT_EQ(hostile::listFolder(w.out).size(), 2u) << n;
        EXPECT_EQ(testutil::readFile(w.out + "/A.C.met"), a) << n;
        EXPECT_EQ(testutil::readFile(w.out + "/B.H.met"), b) << n;
    }
}

// A file-size limit or a standard error nobody reads makes writes fail; the
// run reports them and ends with its own code instead of dying of a signal.
TEST(HostileRun, FileSizeLimitAndClosedPipe)
{
    Workspace w;
    testutil::writeFile(w.dir.file("many.c"), manyFunctions(20000));
    hostile::Limits small;
    small.fileSizeBytes = 256 * 1024;
    Outcome r = w.run({"many.c", "-METRICS=out"}, {}, {}, small);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_NE(r.err.find("Cannot write the file out/MANY.C.met\n"), std::string::npos) << r.err;
    EXPECT_TRUE(hostile::listFolder(w.out).empty());

    // A record that the limit would cut is not written at all.
    const std::string log = w.dir.file("log"), kept(small.fileSizeBytes - 8, 'L');
    testutil::writeFile(log, kept);
    r = w.run({"a.c", "-METRICS=out", "-VANTEL_LOG=log"}, {}, {}, small);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "Corvel tarsk1 - WARNING: Cannot append to Vantel Log File: log File too large\n");
    EXPECT_EQ(testutil::readFile(log), kept);

    hostile::Limits closed;
    closed.stderrClosedPipe = true;
    r = w.run({"missing.c"}, {}, {}, closed);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 7);
}

// All or nothing: a signal while a thousand documents are being written
// leaves none of them; runs that append to one log together never tear or
// mix a record.
TEST(HostileRun, ManyFilesAllOrNothingAndSharedLog)
{
    Workspace w;
    const std::string input = manyHeaders(w, 1000);
    bool sent = false;
    Outcome r = w.run({input, "-METRICS=out"}, {}, [&](pid_t pid, double) {
        if (sent || !holdsTemporary(w.out)) return;
        ::kill(pid, SIGTERM);
        sent = true;
    });
    ASSERT_TRUE(sent) << "no temporary metrics file was seen";
    EXPECT_EQ(r.signal, SIGTERM);
    EXPECT_TRUE(hostile::listFolder(w.out).empty());

    std::vector<std::thread> runs;
    for (int i = 0; i < 3; ++i) {
        const std::string out = w.dir.file("out" + std::to_string(i));
        ::mkdir(out.c_str(), 0755);
        runs.emplace_back([&w, input, out] { w.run({input, "-METRICS=" + out, "-VANTEL_LOG=shared.log"}); });
    }
    for (std::thread &t : runs) t.join();
    const std::string log = testutil::readFile(w.dir.file("shared.log"));
    const std::regex record("MET " + w.dir.path() + "/out[0-2]/(H[0-9]+\\.H|A\\.C)\\.met");
    size_t lines = 0;
    for (size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos; start = end + 1, ++lines)
        EXPECT_TRUE(std::regex_match(log.substr(start, end - start), record)) << log.substr(start, end - start);
    EXPECT_EQ(lines, 3u * 1001u);
    EXPECT_EQ(log.back(), '\n');
}

// Nothing planted in the metrics folder steers the write: a link at the
// metrics file's name is replaced, not followed. Long names are written, a
// replaced file keeps its mode, and a folder that takes no new file still
// has its existing, writable metrics files rewritten.
TEST(HostileRun, PlantedLinksLongNamesModesAndClosedFolders)
{
    Workspace w;
    const std::string victim = w.dir.file("victim");
    testutil::writeFile(victim, "precious");
    ASSERT_EQ(::symlink(victim.c_str(), (w.out + "/A.C.met").c_str()), 0);
    const std::string longName(245, 'n');
    testutil::writeFile(w.dir.file(longName + ".c"), kSmallSource);
    Outcome r = w.run({"a.c," + longName + ".c", "-METRICS=out"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(testutil::readFile(victim), "precious");
    struct stat st;
    ASSERT_EQ(::lstat((w.out + "/A.C.met").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    std::string upperLong(245, 'N');
    EXPECT_TRUE(testutil::exists(w.out + "/" + upperLong + ".C.met"));

    ::chmod((w.out + "/A.C.met").c_str(), 0640);
    testutil::writeFile(w.out + "/A.C.met", "stale");
    const bool root = ::geteuid() == 0;
    const std::string seal = std::string(root ? "chattr +i " : "chmod 0555 ") + w.out;
    if (std::system(seal.c_str()) != 0) GTEST_SKIP() << "cannot close the folder to new files";
    r = w.run({"a.c", "-METRICS=out"});
    std::system((std::string(root ? "chattr -i " : "chmod 0755 ") + w.out).c_str());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(testutil::readFile(w.out + "/A.C.met").find("<FUNCTION Name=\"f\""), std::string::npos);
    ASSERT_EQ(::stat((w.out + "/A.C.met").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// Declarations that drop parts of the tree (struct tags, array parameters,
// casts, qualifiers, old-style parameters), the GNU spellings of the target,
// and a header measured through a line marker.
TEST(HostileRun, ValgrindFindsNothing)
{
    if (std::string(TARSK1_VALGRIND).empty()) GTEST_SKIP() << "valgrind is not installed";
    if (hostile::kSanitized) GTEST_SKIP() << "valgrind does not run sanitized programs";
    Workspace w;
    testutil::writeFile(w.dir.file("b.h"), "static int twice(int x) { return 2 * x; }\n");
    testutil::writeFile(w.dir.file("a.i"),
                        "# 1 \"" + w.dir.file("b.h") + "\"\nstatic int twice(int x) { return 2 * x; }\n"
                        "# 1 \"" + w.dir.file("a.c") + "\"\n"
                        "struct s;\nstruct s *p;\ntypedef const unsigned int T;\n"
                        "int g(int a[], char *__restrict q, T t);\n"
                        "int f(int a)\n{\n    if (a > 0)\n        return 1;\n    return 0;\n}\n"
                        "long h(x, y) int x; long y; { int n = (int) sizeof(struct s *);\n"
                        "  switch (x) { case 1: while (y--) n += x ? 1 : 2; break; default: n = 0; }\n"
                        "  return __extension__ (n) + y; }\n");
    testutil::writeFile(w.dir.file("a.c"), "int f(int a)\n{\n    if (a > 0)\n        return 1;\n    return 0;\n}\n");
    std::vector<std::string> env = hostile::baseEnvironment("gcc-glibc");
    Outcome r = hostile::runLimited(TARSK1_VALGRIND,
                                {"-q", "--error-exitcode=1", "--leak-check=full", TARSK1_BINARY, "a.i",
                                 "-METRICS=out", "-VANTEL_LOG=log"},
                                env, w.dir.path(), {120, 0});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto files = hostile::metricsLeftovers(w.out);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"A.C.met", "B.H.met"}));
}

}  // namespace
