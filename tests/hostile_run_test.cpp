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

using hostile::expectBounded;
using hostile::Outcome;
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

// A pass that ends the run ends it where the pass runs, after its input's
// parse and before the next input's: the parse's later messages come first,
// a later syntax error leaves the pass unsaid, the next input says nothing.
TEST(HostileRun, HalsteadPassEndsTheRunInItsPlace)
{
    Workspace w;
    std::string folder = w.dir.path() + "/";
    std::transform(folder.begin(), folder.end(), folder.begin(), [](char c) { return c == '/' ? '\\' : toupper(c); });
    const std::string gone = "# 1 \"" + w.dir.file("gone/nowhere.c") + "\"\n" + kSmallSource;
    testutil::writeFile(w.dir.file("bad.c"), std::string("#endif\n") + kSmallSource);
    const std::string unknownPragma = "Corvel tarsk1 - WARNING: Unknown mevra pragma: #pragma mevra bogus at [";
    struct Case {
        std::vector<std::pair<std::string, std::string>> inputs;  // name, text
        int exitCode;
        std::string err;
    } cases[] = {
        {{{"a.i", gone}}, 9, kMissingSource},
        {{{"a.i", gone + "#pragma mevra bogus\nint g(void) { return 0; }\n"}},
         9,
         unknownPragma + folder + "GONE\\NOWHERE.C,7]\n" + kMissingSource},
        {{{"a.i", gone + "int g( {\n"}},
         7,
         "Corvel tarsk1 - ERROR: syntax error near { [" + folder +
             "GONE\\NOWHERE.C,7]\nCorvel tarsk1 - FATAL ERROR: Syntax errors in source file, static analysis cancelled\n"},
        {{{"a.i", "# 1 \"" + w.dir.file("bad.c") + "\"\n" + kSmallSource},
          {"b.i", "#pragma mevra bogus\n# 1 \"" + w.dir.file("a.c") + "\"\n" + kSmallSource}},
         7,
         "Corvel tarsk1 - ERROR: [" + folder +
             "BAD.C,1] a #endif preprocessing directive is not associated to a #if, #ifdef, #ifndef, #elif nor "
             "#else.\nCheck that this missing directive is at the beginning of the source line, optionally prefixed "
             "with spaces or tabs.\nCorvel tarsk1 - FATAL ERROR: Fix the errors above before proceeding again\n"},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args{"-METRICS=out"};
        for (const auto &[name, text] : c.inputs) {
            testutil::writeFile(w.dir.file(name), text);
            args.push_back(name);
        }
        Outcome r = w.run(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.inputs[0].second;
        EXPECT_EQ(r.err, c.err);
        EXPECT_TRUE(hostile::metricsLeftovers(w.out).empty());
        expectBounded(r, 10, 300);
    }
}

// The source named by the line marker exists when the run starts and is
// removed while the large input is still being parsed.
TEST(HostileRun, SourceRemovedBetweenParseAndHalsteadPass)
{
    Workspace w;
    std::string text = "# 1 \"" + w.dir.file("a.c") + "\"\n";
    for (int i = 0; i < 150000; ++i) text += "int f" + std::to_string(i) + "(void) { return 0; }\n";
    testutil::writeFile(w.dir.file("a.i"), text);
    bool removed = false, early = false;
    Outcome r = w.run({"a.i", "-METRICS=out"}, {}, [&](pid_t, double elapsed) {
        if (removed || elapsed < 0.05) return;
        early = !hostile::listFolder(w.out).empty();
        ::unlink(w.dir.file("a.c").c_str());
        removed = true;
    });
    ASSERT_TRUE(removed);
    EXPECT_FALSE(early) << "the parse ended too early for this test";
    EXPECT_EQ(r.exitCode, 9);
    EXPECT_EQ(r.err, kMissingSource);
    EXPECT_TRUE(hostile::metricsLeftovers(w.out).empty());
    expectBounded(r, 10, 300);
}

// Devices, FIFOs and folders in every place where a file is read, and as
// the log: refused at once with the message for a file that cannot be
// opened, never read without end nor waited on.
TEST(HostileRun, FilesThatAreNotRegularAreRefused)
{
    struct Case {
        std::string name;   // "fifo" and "folder" are made in the workspace
        std::string where;  // input, source, option or log
        int exitCode;
        std::string err;  // what the error stream begins with
    };
    const std::string fatal = "Corvel tarsk1 - FATAL ERROR: ";
    const std::string notFound = "Orvane(R) Corvel Command analysis : File not found ";
    const std::string logWarning = "Corvel tarsk1 - WARNING: Cannot append to Vantel Log File: ";
    const Case cases[] = {
        {"/dev/zero", "input", 7, fatal + "Cannot open input file /dev/zero\n"},
        {"fifo", "input", 7, fatal + "Cannot open input file fifo\n"},
        {"folder", "input", 7, fatal + "Cannot open input file folder\n"},
        {"/dev/zero", "source", 9, kMissingSource},
        {"/dev/urandom", "source", 9, kMissingSource},
        {"fifo", "source", 9, kMissingSource},
        {"/dev/zero", "option", 7, notFound + "/dev/zero"},
        {"fifo", "option", 7, notFound + "fifo"},
        {"fifo", "log", 0, logWarning + "fifo "},
        {"/dev/null", "log", 0, logWarning + "/dev/null Invalid argument\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name + " as " + c.where);
        Workspace w;
        ::mkfifo(w.dir.file("fifo").c_str(), 0600);
        ::mkdir(w.dir.file("folder").c_str(), 0755);
        const std::string path = c.name[0] == '/' ? c.name : w.dir.file(c.name);
        std::vector<std::string> args{"a.c", "-METRICS=out"};
        if (c.where == "input") args[0] = c.name;
        if (c.where == "source") {
            testutil::writeFile(w.dir.file("a.i"), "# 1 \"" + path + "\"\n" + kSmallSource);
            args[0] = "a.i";
        }
        if (c.where == "option") args.push_back("@" + c.name);
        if (c.where == "log") args.push_back("-VANTEL_LOG=" + c.name);
        Outcome r = w.run(args, {}, {}, {10, 1024});
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err.substr(0, 300);
        const auto written = hostile::metricsLeftovers(w.out);
        EXPECT_EQ(written.size(), c.exitCode == 0 ? 1u : 0u);
        expectBounded(r, 5, 300);
    }
}

// Names the program's upper-case, backslash form cannot tell apart: the
// file the input names as written is the one measured. The metrics file
// shows the line count of the file that was read.
TEST(HostileRun, SourcesAreReadAsTheInputNamesThem)
{
    struct Case {
        const char *title;
        std::vector<std::string> files;  // created with kSmallSource; "a.c" keeps one line
        std::string input;               // the argument, or the text of a.i with "@" for the folder
        std::string met;
    };
    const Case cases[] = {
        {"a.c beside A.c", {"A.c"}, "a.c", "A.C.met"},
        {"foo/ beside Foo/", {"Foo/y.c", "foo/x.c"}, "foo/x.c", "X.C.met"},
        {"a backslash in the name", {"b\\c.c"}, "# 1 \"@/b\\\\c.c\"\n", "C.C.met"},
        {"a line feed in the name", {"b\nc.c"}, "# 1 \"@/b\\nc.c\"\n", "B\nC.C.met"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.title);
        Workspace w;
        testutil::writeFile(w.dir.file("a.c"), "int f(void) { return 0; }\n");
        for (const std::string &f : c.files) {
            if (f.find('/') != std::string::npos) ::mkdir(w.dir.file(f.substr(0, f.find('/'))).c_str(), 0755);
            testutil::writeFile(w.dir.file(f), kSmallSource);
        }
        std::string arg = c.input;
        if (c.input[0] == '#') {
            std::string text = c.input;
            text.replace(text.find('@'), 1, w.dir.path());
            testutil::writeFile(w.dir.file("a.i"), text + kSmallSource);
            arg = "a.i";
        }
        Outcome r = w.run({arg, "-METRICS=out"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const std::string lines = c.input == "a.c" ? "1" : "6";
        EXPECT_NE(testutil::readFile(w.out + "/" + c.met).find("<METRIC Key=\"Total\" Value=\"" + lines + "\"/>"),
                  std::string::npos);
    }
    // Both in one run: two variants of one program path, each with its own counts.
    Workspace w;
    testutil::writeFile(w.dir.file("A.c"), "int f(void) { return 0; }\n");
    Outcome r = w.run({"a.c", "A.c", "-METRICS=out"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string totals;
    for (const std::string &name : hostile::metricsLeftovers(w.out)) {
        const std::string met = testutil::readFile(w.out + "/" + name);
        const size_t at = met.find("<METRIC Key=\"Total\" Value=\"");
        if (at != std::string::npos) totals += met[at + 27];
    }
    std::sort(totals.begin(), totals.end());
    EXPECT_EQ(totals, "16");
}

// Inputs that measure one header with slightly different contents: each
// new variant is compared only with earlier ones of the same fingerprint.
TEST(HostileRun, ManyVariantsOfOneHeader)
{
    Workspace w;
    const int inputs = 1000;
    const std::string header = w.dir.file("h.h");
    std::string functions;
    for (int i = 0; i < 300; ++i) functions += "int g" + std::to_string(i) + "(void) { return 0; }\n";
    testutil::writeFile(header, functions);
    const std::string common = "# 1000 \"" + header + "\"\n" + functions;
    std::vector<std::string> args{"-METRICS=out"};
    for (int k = 0; k < inputs; ++k) {
        // Only the oldest item differs: a comparison would walk all others first.
        const std::string name = "v" + std::to_string(k) + ".i";
        testutil::writeFile(w.dir.file(name), "# " + std::to_string(k + 1) + " \"" + header +
                                                  "\"\n"
                                                  "int f(void) { return 0; }\n" +
                                                  common);
        args.push_back(name);
    }
    Outcome r = w.run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err.substr(0, 300);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(hostile::metricsLeftovers(w.out).size(), size_t(inputs));
    expectBounded(r, 15, 300);
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
    EXPECT_EQ(r.err.rfind(tooLarge + big.substr(0, 4096) + "...\n", 0), 0u) << r.err.substr(0, 400);
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

    // One token of 40 MB in an option file: collected up to the limit only,
    // quoted by its beginning.
    testutil::writeFile(w.dir.file("long.opt"), "a.c " + std::string(40u << 20, 'y') + " -METRICS=out\n");
    r = w.run({"@long.opt"});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err.rfind(tooLarge + std::string(4096, 'y') + "...\n", 0), 0u) << r.err.substr(0, 400);
    EXPECT_LT(r.err.size(), 5000u);
    expectBounded(r, 10, 100);
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
    Outcome r = w.run(
        {"many.c", "-METRICS=out"}, {},
        [&](pid_t pid, double) {
            if (sent || !holdsTemporary(w.out)) return;
            ::kill(pid, SIGINT);
            sent = true;
        },
        ignoring);
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
    } cases[] = {{"int " + std::string(50 << 20, 'x') + ";\n", 100}, {manyFunctions(150000), 120}};
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
    testutil::writeFile(w.dir.file("a.i"), "# 1 \"" + w.dir.file("b.h") +
                                               "\"\nstatic int twice(int x) { return 2 * x; }\n"
                                               "# 1 \"" +
                                               w.dir.file("a.c") + "\"\n" + kSmallSource);
    const std::vector<std::string> args{"a.i", "-METRICS=out", "-VANTEL_LOG=log"};
    const std::string preload = std::string("LD_PRELOAD=") + TARSK1_FAILALLOC;
    const std::string countFile = "TARSK1_ALLOC_COUNT_FILE=" + w.dir.file("count");
    auto allocations = [&](const std::vector<std::string> &env) {
        std::vector<std::string> all{preload, countFile};
        all.insert(all.end(), env.begin(), env.end());
        w.run(args, all);
        return std::stol(testutil::readFile(w.dir.file("count")));
    };
    // Before the program's own start-up nothing can be reported; a run
    // without CORVELDIR ends right after it, before any file is looked at.
    const long startUp = allocations({"CORVELDIR"});
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
        // Before the message identity is set, the message names "<unnamed binary>".
        EXPECT_TRUE(hostile::endsWith(r.err, " - FATAL ERROR: No memory left\n")) << n << ": " << r.err;
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
                        "# 1 \"" + w.dir.file("b.h") +
                            "\"\nstatic int twice(int x) { return 2 * x; }\n"
                            "# 1 \"" +
                            w.dir.file("a.c") +
                            "\"\n"
                            "struct s;\nstruct s *p;\ntypedef const unsigned int T;\n"
                            "int g(int a[], char *__restrict q, T t);\n"
                            "int f(int a)\n{\n    if (a > 0)\n        return 1;\n    return 0;\n}\n"
                            "long h(x, y) int x; long y; { int n = (int) sizeof(struct s *);\n"
                            "  switch (x) { case 1: while (y--) n += x ? 1 : 2; break; default: n = 0; }\n"
                            "  return __extension__ (n) + y; }\n");
    testutil::writeFile(w.dir.file("a.c"), "int f(int a)\n{\n    if (a > 0)\n        return 1;\n    return 0;\n}\n");
    std::vector<std::string> env = hostile::baseEnvironment("gcc-glibc");
    Outcome r = hostile::runLimited(
        TARSK1_VALGRIND,
        {"-q", "--error-exitcode=1", "--leak-check=full", TARSK1_BINARY, "a.i", "-METRICS=out", "-VANTEL_LOG=log"}, env,
        w.dir.path(), {120, 0});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto files = hostile::metricsLeftovers(w.out);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"A.C.met", "B.H.met"}));
}

}  // namespace
