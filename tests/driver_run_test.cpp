// The run sequence through the real binary: the version banner, the
// installation and target checks with their exit codes, the per-file loop's
// open failure and its definition file before every input, and translations
// loaded from a compiled catalogue.
#include "testutil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

using testutil::ProcessResult;
using testutil::TempDir;

namespace {

const std::string kInstall = std::string(TARSK1_SOURCE_ROOT) + "/install";
const std::string kTarget = std::string(TARSK1_SOURCE_ROOT) + "/targets/minimal";
const std::string kBanner = " Orvane Corvel C Metrics Generator 8.0.1.1.163.015 \n"
                            " Build Number: 163.015 \n"
                            "   Date : 2015-06-12 01:38:00 \n"
                            "    OS : ms-dos \n";
const std::string kUsage =
    "\nUsage tarsk1:\n\t<preprocessed-files>[,preprocessed-files]\n\t[-METRICS[=<metrics-dir>]]\n"
    "\t[-RESTRICT_METRICS=<file|directory>[,file|directory]]\n";

ProcessResult tarsk1(const std::vector<std::string> &args, std::vector<std::string> env = {},
                     const std::string &workDir = "")
{
    env.insert(env.begin(), {"CORVELDIR=" + kInstall, "MVRTGT=" + kTarget, "LANG=C", "LC_ALL=C", "LANGUAGE"});
    return testutil::runProcess(TARSK1_BINARY, args, env, workDir);
}

TEST(RunVersion, BannerForLoneAbbreviation)
{
    for (const char *arg : {"-version", "-V", "-Ve", "-VERSION"}) {
        ProcessResult r = tarsk1({arg}, {"MVRTGT"});
        EXPECT_EQ(r.exitCode, 0) << arg;
        EXPECT_EQ(r.out, kBanner) << arg;
        EXPECT_EQ(r.err, "") << arg;
    }
}

TEST(RunVersion, OtherFormsAreDecoded)
{
    ProcessResult r = tarsk1({"-VERSIONS"}, {"MVRTGT"});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Orvane(R) Corvel Command analysis : Unknown option, VERSIONS" + kUsage +
                         "\nCorvel tarsk1 - FATAL ERROR: Error(s) in command line\n");
    r = tarsk1({"a.i", "-version"}, {"MVRTGT"});
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Unknown option, version"), std::string::npos);
    // A lone "-" is no abbreviation of at least two characters.
    EXPECT_EQ(tarsk1({"-"}).exitCode, 7);
}

TEST(RunInstallation, LocaleDirectoryIsRequired)
{
    TempDir bare;
    const std::string unset = "Fatal Error: please setup CORVELDIR environment variable.\n";
    ProcessResult r = tarsk1({"-version"}, {"CORVELDIR"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, unset);
    EXPECT_EQ(r.out, "");
    r = tarsk1({"-version"}, {"CORVELDIR="});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, unset);
    r = tarsk1({"-version"}, {"CORVELDIR=" + bare.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Fatal Error: directory doesn't exist '" + bare.path() + "/lib/locale'\n");
}

TEST(RunTarget, MissingTargetVariableIsFatal)
{
    TempDir dir;
    testutil::writeFile(dir.file("a.i"), "int x;\n");
    ProcessResult r = tarsk1({"a.i"}, {"MVRTGT"}, dir.path());
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err, "Corvel tarsk1 - FATAL ERROR: Environment variable not defined: MVRTGT\n");
}

TEST(RunTarget, DefinitionFileUnderTargetWithOneSeparator)
{
    TempDir dir;
    testutil::writeFile(dir.file("a.i"), "int x;\n");
    for (const std::string &target : {dir.path(), dir.path() + "\\"}) {
        ProcessResult r = tarsk1({"a.i"}, {"MVRTGT=" + target}, dir.path());
        EXPECT_EQ(r.exitCode, 7);
        EXPECT_EQ(r.err, "Corvel tarsk1 - FATAL ERROR: Cannot open input file " + dir.path() + "\\ana\\mvct.def\n");
    }
}

TEST(RunLoop, MissingInputIsFatalAndFoundInputsRunThrough)
{
    TempDir dir;
    testutil::writeFile(dir.file("a.i"), "int x;\n");
    ProcessResult r = tarsk1({"a.i", "missing.i"}, {}, dir.path());
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err, "Corvel tarsk1 - FATAL ERROR: Cannot open input file missing.i\n");

    r = tarsk1({"a.i", "a.i", "-VANTEL_LOG", "-METRICS=" + dir.path()}, {}, dir.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
}

TEST(RunLoop, UnwritableLogIsOnlyAWarning)
{
    TempDir dir;
    testutil::writeFile(dir.file("a.i"), "int x;\n");
    ProcessResult r = tarsk1({"a.i", "-VANTEL_LOG=" + dir.file("no/such/log")}, {}, dir.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.rfind("Corvel tarsk1 - WARNING: Cannot append to Vantel Log File: " + dir.file("no/such/log"), 0),
              0u)
        << r.err;
}

// The definition file acts before every input: its warnings come again, its
// typedef names come back after an input redeclared them, a pragma of an
// earlier input changes its outcome, and an input's own typedef names are
// gone for the next. In the expected texts "@" stands for the work folder
// as a file reference shows it.
TEST(RunLoop, DefinitionFileActsBeforeEveryInput)
{
    struct Case {
        const char *definitions;
        std::vector<std::string> inputs;
        int exitCode;
        std::string err;
    };
    const std::string warn = "Corvel tarsk1 - WARNING: ";
    const std::string defined = "Corvel tarsk1 - FATAL ERROR: Syntax errors in standard definition file ";
    const std::vector<Case> cases = {
        {"#pragma mevra stop_instr\ntypedef int T;\n",
         {"T x;\n", "T y;\n"},
         0,
         warn + "Instrumentation is already stopped : [@ANA\\MVCT.DEF,1]\n" + warn +
             "Instrumentation is already stopped : [@ANA\\MVCT.DEF,1]\n"},
        {"typedef int T;\n", {"int T;\n", "T y;\nint g(T a) { return a; }\n"}, 0, ""},
        {"# 1 \"other.h\"\ntypedef int T;\nint f(void) { int T; return T; }\n", {"T x;\n", "T y;\n"}, 0, ""},
        {"typedef int T;\n",
         {"#pragma mevra reduce \"T\" null\nint x;\n", "T y;\n"},
         7,
         warn + "Malformed reduced sequence beginning at [@ANA\\MVCT.DEF,1]\n" +
             "Corvel tarsk1 - ERROR: syntax error near <end-of-file> [@ANA\\MVCT.DEF,2]\n" + defined + "%\n"},
        {"typedef int T;\n",
         {"typedef int U; U u;\n", "U v;\n"},
         7,
         "Corvel tarsk1 - ERROR: syntax error near v [@IN1.I,1]\n"
         "Corvel tarsk1 - FATAL ERROR: Syntax errors in source file, static analysis cancelled\n"},
        {"#pragma mevra prefix_call \"p1\" = \"f\"\n",
         {"#pragma mevra prefix_call \"p2\" = \"f\"\n", "int y;\n", "int z;\n"},
         0,
         warn + "[@IN0.I,1] in pragma mevra prefix_call, the call identifier f is already to be prefixed by p1; " +
             "this prefix is no longer used: p2 will be used instead\n" + warn +
             "[@ANA\\MVCT.DEF,1] in pragma mevra prefix_call, the call identifier f is already to be prefixed by " +
             "p2; this prefix is no longer used: p1 will be used instead\n"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        ASSERT_EQ(std::system(("mkdir -p '" + dir.file("ana") + "'").c_str()), 0);
        testutil::writeFile(dir.file("ana/mvct.def"), c.definitions);
        std::vector<std::string> args;
        for (size_t k = 0; k < c.inputs.size(); ++k) {
            args.push_back("in" + std::to_string(k) + ".i");
            testutil::writeFile(dir.file(args.back()), c.inputs[k]);
        }
        std::string shown;
        for (char ch : dir.path() + "/") shown += ch == '/' ? '\\' : char(std::toupper(static_cast<unsigned char>(ch)));
        std::string err = c.err;
        for (size_t at; (at = err.find('@')) != std::string::npos;) err.replace(at, 1, shown);
        for (size_t at; (at = err.find('%')) != std::string::npos;) err.replace(at, 1, dir.path() + "\\ana\\mvct.def");
        ProcessResult r = tarsk1(args, {"MVRTGT=" + dir.path()}, dir.path());
        EXPECT_EQ(r.exitCode, c.exitCode) << c.definitions;
        EXPECT_EQ(r.err, err) << c.definitions;
    }
}

// A catalogue for fr_FR compiled with lrelease into a private installation
// tree: the level template (with its comment as disambiguation), a message
// and a banner line must all come out translated.
TEST(RunTranslation, CompiledCatalogueIsUsed)
{
    TempDir corvel;
    std::string locale = corvel.path() + "/lib/locale";
    ASSERT_EQ(std::system(("mkdir -p '" + locale + "'").c_str()), 0);
    testutil::writeFile(corvel.file("tarsk1_fr_FR.ts"),
                        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                        "<!DOCTYPE TS>\n<TS version=\"2.1\" language=\"fr_FR\">\n"
                        "<context><name>Display Message</name><message>\n"
                        "<source>%1 %2 - FATAL ERROR: %3\n</source>\n"
                        "<comment>Used for fatal error message\n%1: product name\n%2: executable name\n"
                        "%3: message to display</comment>\n"
                        "<translation>%1 %2 - ERREUR FATALE : %3\n</translation>\n"
                        "</message></context>\n"
                        "<context><name>Assertion</name><message>\n"
                        "<source>Environment variable not defined: %1</source>\n"
                        "<comment>%1 is the variable name</comment>\n"
                        "<translation>Variable d&apos;environnement non d\xc3\xa9"
                        "finie : %1</translation>\n"
                        "</message></context>\n"
                        "<context><name>Version</name><message>\n"
                        "<source>ms-dos</source>\n<comment>Operating system name</comment>\n"
                        "<translation>MS-DOS fran\xc3\xa7"
                        "ais</translation>\n"
                        "</message></context>\n"
                        "</TS>\n");
    std::string compile = std::string("'") + TARSK1_LRELEASE + "' -silent '" + corvel.file("tarsk1_fr_FR.ts") +
                          "' -qm '" + locale + "/tarsk1_fr_FR.qm'";
    ASSERT_EQ(std::system(compile.c_str()), 0);

    std::vector<std::string> env = {"CORVELDIR=" + corvel.path(), "LANG=fr_FR.UTF-8", "LC_ALL=fr_FR.UTF-8", "LANGUAGE"};
    TempDir work;
    testutil::writeFile(work.file("a.i"), "int x;\n");
    ProcessResult r =
        testutil::runProcess(TARSK1_BINARY, {"a.i"}, {env[0], env[1], env[2], env[3], "MVRTGT"}, work.path());
    EXPECT_EQ(r.exitCode, 7);
    EXPECT_EQ(r.err, "Corvel tarsk1 - ERREUR FATALE : Variable d'environnement non d\xc3\xa9"
                     "finie : MVRTGT\n");

    r = testutil::runProcess(TARSK1_BINARY, {"-v"}, env);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("    OS : MS-DOS fran\xc3\xa7"
                         "ais \n"),
              std::string::npos)
        << r.out;

    // The same tree under another locale leaves the texts as they are.
    r = testutil::runProcess(TARSK1_BINARY, {"a.i"}, {env[0], "LANG=C", "LC_ALL=C", "LANGUAGE", "MVRTGT"}, work.path());
    EXPECT_EQ(r.err, "Corvel tarsk1 - FATAL ERROR: Environment variable not defined: MVRTGT\n");
}

}  // namespace
