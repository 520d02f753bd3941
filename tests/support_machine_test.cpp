// The message service, watched from outside: exact bytes on stderr and the
// exit code of a probe process; the allocation helpers and the exit hook in
// process.
#include "support/machine.h"

#include "testutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

using testutil::ProcessResult;

namespace {

ProcessResult probe(const std::vector<std::string> &args, std::vector<std::string> env = {})
{
    // Under a sanitizer the exhaustion tests need the allocator to answer null.
    env.insert(env.begin(),
               {"LC_ALL=C", "LANG=C", "LC_MESSAGES", "LANGUAGE", "ASAN_OPTIONS=allocator_may_return_null=1"});
    ProcessResult r = testutil::runProcess(MESSAGE_PROBE, args, env);
    // Lines of a sanitizer's own ("==pid==...") are not the program's output.
    std::string kept;
    for (std::size_t start = 0; start < r.err.size();) {
        std::size_t end = r.err.find('\n', start);
        end = end == std::string::npos ? r.err.size() : end + 1;
        if (r.err.compare(start, 2, "==") != 0) kept += r.err.substr(start, end - start);
        start = end;
    }
    r.err = kept;
    return r;
}

std::vector<std::string> named(std::vector<std::string> args)
{
    args.insert(args.begin(), {"identity", "Corvel", "tarsk1"});
    return args;
}

const char kCrashText[] = "Corvel tarsk1 - INTERNAL ERROR: Please, contact your support\n\n";

}  // namespace

TEST(MessageLevels, ExitingLevelsWriteTheirTemplateAndCode)
{
    ProcessResult r = probe(named({"fatal", "Error(s) in command line"}));
    EXPECT_EQ(r.err, "Corvel tarsk1 - FATAL ERROR: Error(s) in command line\n");
    EXPECT_EQ(r.exitCode, 7);

    r = probe(named({"internal", "bad tree"}));
    EXPECT_EQ(r.err, "Corvel tarsk1 - INTERNAL ERROR: bad tree\n\n");
    EXPECT_EQ(r.exitCode, 9);

    r = probe(named({"panic"}));
    EXPECT_EQ(r.err, "Corvel tarsk1: Cannot recover from earlier errors ...\n");
    EXPECT_EQ(r.exitCode, 7);

    r = probe({"fatal", "early"});
    EXPECT_EQ(r.err, "Corvel <unnamed binary> - FATAL ERROR: early\n");
}

TEST(MessageLevels, CountedLevelsReturnAndAccumulate)
{
    ProcessResult r = probe(named({"warning", "w1", "counts", "warning", "w2", "error", "e1", "counts"}));
    EXPECT_EQ(r.err, "Corvel tarsk1 - WARNING: w1\nCorvel tarsk1 - WARNING: w2\nCorvel tarsk1 - ERROR: e1\n");
    EXPECT_EQ(r.out, "errors=0 warnings=1\nerrors=1 warnings=2\n");
    EXPECT_EQ(r.exitCode, 0);
}

// Every warning counts; per file and kind, the first hundred are shown and
// one line tells how many more were left out.
TEST(MessageLevels, WarningsOfOneKindAreShownUpToAHundredPerFile)
{
    ProcessResult r = probe(named({"warnings", "150", "w %1", "warnings", "2", "v", "counts", "closefile", "f.c",
                                   "warnings", "1", "w %1", "closefile", "g.c", "counts"}));
    std::string shown;
    for (int i = 0; i < 100; ++i) shown += "Corvel tarsk1 - WARNING: w %1\n";
    EXPECT_EQ(r.err, shown + "Corvel tarsk1 - WARNING: v\nCorvel tarsk1 - WARNING: v\n"
                             "Corvel tarsk1 - WARNING: 50 more warnings of the kind \"w ...\" in f.c were not shown\n"
                             "Corvel tarsk1 - WARNING: w %1\n");
    EXPECT_EQ(r.out, "errors=0 warnings=152\nerrors=0 warnings=153\n");
}

TEST(MessageLevels, PlaceholdersInTheMessageAreNotSubstitutedAgain)
{
    ProcessResult r = probe(named({"error", "100%1 %2 done"}));
    EXPECT_EQ(r.err, "Corvel tarsk1 - ERROR: 100%1 %2 done\n");
}

TEST(CrashHandler, SegmentationFaultAndStackOverflowBecomeTheInternalError)
{
    ProcessResult r = probe(named({"segv"}));
    EXPECT_EQ(r.err, kCrashText);
    EXPECT_EQ(r.exitCode, 9);

    r = probe(named({"overflow"}));
    EXPECT_EQ(r.err, kCrashText);
    EXPECT_EQ(r.exitCode, 9);

    // A second identity changes the names only; the handler still answers once.
    r = probe({"identity", "A", "b", "identity", "Corvel", "tarsk1", "segv"});
    EXPECT_EQ(r.err, kCrashText);
    EXPECT_EQ(r.exitCode, 9);

    r = probe({"segv"});  // no identity yet: no handler
    EXPECT_NE(r.exitCode, 9);
    EXPECT_EQ(r.err.find("INTERNAL ERROR"), std::string::npos);
}

TEST(Environment, MandatoryAndOptionalLookups)
{
    ProcessResult r = probe(named({"env", "TARSK1_PROBE_X"}), {"TARSK1_PROBE_X"});
    EXPECT_EQ(r.out, "(none)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);

    r = probe(named({"envfatal", "TARSK1_PROBE_X"}), {"TARSK1_PROBE_X"});
    EXPECT_EQ(r.err, "Corvel tarsk1 - FATAL ERROR: Environment variable not defined: TARSK1_PROBE_X\n");
    EXPECT_EQ(r.exitCode, 7);

    r = probe(named({"envfatal", "TARSK1_PROBE_X", "env", "TARSK1_PROBE_X"}), {"TARSK1_PROBE_X="});
    EXPECT_EQ(r.out, "\n");  // defined though empty
    EXPECT_EQ(r.exitCode, 0);
}

TEST(ToolLog, AppendsRecordsAndClosesOnEveryExit)
{
    testutil::TempDir dir;
    const std::string log = dir.file("run.log");
    testutil::writeFile(log, "MET earlier\n");
    ProcessResult r = probe(named({"write", "MET", "lost", "log", log, "write", "MET", "\\A\\A.C.met", "write", "MET",
                                   "b.met", "fatal", "stop"}));
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(testutil::readFile(log), "MET earlier\nMET \\A\\A.C.met\nMET b.met\n");

    r = probe(named({"log", log, "write", "MET", "c.met"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(testutil::readFile(log), "MET earlier\nMET \\A\\A.C.met\nMET b.met\nMET c.met\n");
}

TEST(ToolLog, UnopenableLogIsAWarningAndTheRunGoesOn)
{
    testutil::TempDir dir;
    // Placeholders in the name are text, not places for the system message.
    for (const char *name : {"missing/run.log", "missing/%1.log", "missing/%2%1"}) {
        const std::string log = dir.file(name);
        ProcessResult r = probe(named({"log", log, "write", "MET", "x", "counts"}));
        EXPECT_EQ(r.err,
                  "Corvel tarsk1 - WARNING: Cannot append to Vantel Log File: " + log + " No such file or directory\n");
        EXPECT_EQ(r.out, "errors=0 warnings=1\n");
        EXPECT_EQ(r.exitCode, 0);
    }
}

TEST(Allocation, ExhaustionIsFatal)
{
    const char expected[] = "Corvel tarsk1 - FATAL ERROR: No memory left\n";
    ProcessResult r = probe(named({"nomem"}));
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(r.exitCode, 7);
    r = probe(named({"regrow"}));
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(r.exitCode, 7);
}

TEST(Allocation, BlocksAreZeroedAndKeepTheirContent)
{
    auto *block = static_cast<unsigned char *>(allocZeroed(64));
    for (int i = 0; i < 64; ++i) ASSERT_EQ(block[i], 0);
    std::memset(block, 'x', 64);
    block = static_cast<unsigned char *>(resizeBlock(block, 1 << 20));
    for (int i = 0; i < 64; ++i) ASSERT_EQ(block[i], 'x');
    releaseBlock(block);
    releaseBlock(nullptr);
    void *fresh = resizeBlock(nullptr, 8);
    EXPECT_EQ(std::memcmp(fresh, "\0\0\0\0\0\0\0\0", 8), 0);
    releaseBlock(fresh);
    void *empty = allocZeroed(0);
    EXPECT_NE(empty, nullptr);
    releaseBlock(empty);
}

TEST(ScannerFailure, TextAndNewlineWithCodeTwo)
{
    ProcessResult r =
        probe(named({"scanner", "input buffer overflow, can't enlarge buffer because scanner uses REJECT"}));
    EXPECT_EQ(r.err, "input buffer overflow, can't enlarge buffer because scanner uses REJECT\n");
    EXPECT_EQ(r.exitCode, 2);
}

TEST(LocaleDirectory, MissingOrWrongInstallationEndsWithCodeOne)
{
    const char unset[] = "Fatal Error: please setup CORVELDIR environment variable.\n";
    ProcessResult r = probe({"locale"}, {"CORVELDIR"});
    EXPECT_EQ(r.err, unset);
    EXPECT_EQ(r.exitCode, 1);
    r = probe({"locale"}, {"CORVELDIR="});
    EXPECT_EQ(r.err, unset);
    EXPECT_EQ(r.exitCode, 1);

    testutil::TempDir dir;
    r = probe({"locale"}, {"CORVELDIR=" + dir.path() + "/"});
    EXPECT_EQ(r.err, "Fatal Error: directory doesn't exist '" + dir.path() + "//lib/locale'\n");
    EXPECT_EQ(r.exitCode, 1);

    r = probe({"locale"}, {std::string("CORVELDIR=") + SUPPORT_LOCALE_ROOT});
    EXPECT_EQ(r.out, std::string(SUPPORT_LOCALE_ROOT) + "/lib/locale\n");
    EXPECT_EQ(r.exitCode, 0);
}

TEST(Translations, LevelTemplatesAndMessagesFollowTheLocale)
{
    const std::vector<std::string> french = {std::string("CORVELDIR=") + SUPPORT_LOCALE_ROOT, "LC_ALL=fr_FR.UTF-8"};
    // tarsk1_fr_FR.qm holds the templates; the message comes from common_fr.qm,
    // found by shortening the locale name.
    ProcessResult r = probe({"locale", "identity", "Corvel", "tarsk1", "envfatal", "TARSK1_PROBE_X"}, french);
    EXPECT_EQ(r.err, "Corvel tarsk1 - ERREUR FATALE : Variable d'environnement non definie : TARSK1_PROBE_X\n");
    EXPECT_EQ(r.exitCode, 7);

    // The translated template puts the names in another order.
    r = probe({"locale", "identity", "Corvel", "tarsk1", "segv"}, french);
    EXPECT_EQ(r.err, "tarsk1 (Corvel) - ERREUR INTERNE : Contactez votre support\n\n");
    EXPECT_EQ(r.exitCode, 9);

    r = probe({"locale", "identity", "Corvel", "tarsk1", "warning", "w"}, french);
    EXPECT_EQ(r.err, "Corvel tarsk1 - WARNING: w\n");  // untranslated template stays English

    r = probe({"locale", "identity", "Corvel", "tarsk1", "fatal", "x"},
              {std::string("CORVELDIR=") + SUPPORT_LOCALE_ROOT, "LC_ALL=de_DE.UTF-8"});
    EXPECT_EQ(r.err, "Corvel tarsk1 - FATAL ERROR: x\n");
}

TEST(ExitHook, EveryExitingLevelGoesThroughTheHook)
{
    struct Exit {
        int code;
    };
    setExitHook([](int code) { throw Exit{code}; });
    auto codeOf = [](auto action) {
        try {
            action();
        } catch (const Exit &e) {
            return e.code;
        }
        return -1;
    };
    EXPECT_EQ(codeOf([] { reportFatal(QStringLiteral("f")); }), 7);
    EXPECT_EQ(codeOf([] { reportInternal(QStringLiteral("i")); }), 9);
    EXPECT_EQ(codeOf([] { reportPanic(); }), 7);
    EXPECT_EQ(codeOf([] { reportScannerFailure("s"); }), 2);
    EXPECT_EQ(codeOf([] { requireEnv("TARSK1_SURELY_UNDEFINED_VARIABLE", true); }), 7);
    setExitHook(nullptr);
}
