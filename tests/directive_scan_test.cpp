// The directive scanner on single lines: line markers and file directives,
// file-name unescaping, ignored and unknown lines, replacements and their
// loops, and the fatal and internal ends.
#include "directive_fixture.h"

namespace {

struct Entries {
    _AlphaType *file = nullptr;
    _AlphaType *directory = nullptr;
};

Entries split(const char *path)
{
    Entries e;
    splitSourcePath(path, &e.file, &e.directory);
    return e;
}

using DirectiveScan = DirectiveTest;

TEST_F(DirectiveScan, LineMarkersMoveFileDirectoryAndLine)
{
    ScannerState &s = Scanner();
    Entries a = split("a.c");
    EXPECT_EQ(scan("# 12 \"a.c\" 1 3\n"), "");
    EXPECT_EQ(s.currentLine, 12);
    EXPECT_EQ(s.currentFile, a.file);
    EXPECT_EQ(s.currentDirectory, a.directory);

    Entries b = split("sub/b.h");
    scan("#line 40 \"sub/b.h\"\n");
    EXPECT_EQ(s.currentLine, 40);
    EXPECT_EQ(s.currentFile, b.file);
    EXPECT_EQ(s.currentDirectory, b.directory);
    EXPECT_NE(a.directory, b.directory);

    // Only the line moves without a name; blanks before the sign are allowed,
    // and the last line of a file comes without its newline.
    scan("  #  25\n");
    EXPECT_EQ(s.currentLine, 25);
    EXPECT_EQ(s.currentFile, b.file);
    scan("# 77");
    EXPECT_EQ(s.currentLine, 77);

    // A line split by a splice is read as one line.
    scan("# 3\\\n0 \"a.c\"\n");
    EXPECT_EQ(s.currentLine, 30);
    EXPECT_EQ(s.currentFile, a.file);
}

TEST_F(DirectiveScan, ZeroAndMalformedNumbersChangeNothing)
{
    ScannerState &s = Scanner();
    _AlphaType *file = s.currentFile;
    for (const char *line : {"#line 0\n", "# 0 \"x.c\"\n", "# 012 \"x.c\"\n", "#line12\n", "# -3\n"}) {
        int result = -1;
        EXPECT_EQ(scan(line, &result), "") << line;
        EXPECT_EQ(result, 0);
        EXPECT_EQ(s.currentLine, 8) << line;
        EXPECT_EQ(s.currentFile, file) << line;
    }
}

TEST_F(DirectiveScan, FileDirectiveStartsAtLineOne)
{
    Entries b = split("b.c");
    scan("#file \"b.c\"\n");
    EXPECT_EQ(Scanner().currentLine, 1);
    EXPECT_EQ(Scanner().currentFile, b.file);
    EXPECT_EQ(Scanner().currentDirectory, b.directory);
}

TEST_F(DirectiveScan, FileNamesAreUnescapedUnlessRaw)
{
    ScannerState &s = Scanner();
    scan("# 10 \"dir\\\\a.c\"\n");
    EXPECT_EQ(s.currentLine, 10);
    EXPECT_EQ(s.currentFile, split("dir\\a.c").file);
    EXPECT_EQ(s.currentDirectory, split("dir\\a.c").directory);

    // Octal, blank, tab and quote escapes; an unknown escape keeps its backslash.
    scan("# 2 \"x\\101\\ y\\tz\\\"q.c\"\n");
    EXPECT_STREQ(s.currentFile->text, split("x\x41 y\tz\"q.c").file->text);
    scan("# 2 \"w\\qv.c\"\n");
    EXPECT_EQ(s.currentFile, split("w\\qv.c").file) << "escape kept";
    EXPECT_EQ(s.currentDirectory, split("w\\qv.c").directory);

    // Bytes above 127 survive the round trip through UTF-8.
    scan("# 3 \"caf\xc3\xa9\\101.c\"\n");
    EXPECT_EQ(s.currentFile, split("caf\xc3\xa9"
                                   "A.c")
                                 .file);

    EXPECT_EQ(scan("#pragma mevra nointerpret\n"), "");
    EXPECT_TRUE(s.rawFileNames);
    scan("# 10 \"dir\\\\a.c\"\n");
    EXPECT_EQ(s.currentDirectory, split("dir\\\\a.c").directory);
    scan("# 11 \"x\\101.c\"\n");
    EXPECT_STREQ(s.currentFile->text, "101.C") << "the backslash stays a separator";
}

TEST_F(DirectiveScan, OrdinaryDirectivesAreIgnored)
{
    ScannerState &s = Scanner();
    for (const char *line : {"#pragma once\n", "#pragma pack(1)\n", "#define X 1\n", "#include \"x.h\"\n",
                             "#ident \"x\"\n", "#\n", "# pragma\n", "# word\n", "#pragma mevra\n", "#file b.c\n"}) {
        int result = -1;
        EXPECT_EQ(scan(line, &result), "") << line;
        EXPECT_EQ(result, 0);
        EXPECT_EQ(s.currentLine, 8) << line;
        EXPECT_EQ(s.instrOff, 0) << line;
    }
}

TEST_F(DirectiveScan, UnknownVendorPragmaNamesItsOwnLine)
{
    EXPECT_EQ(scan("#pragma mevra frobnicate\n"),
              warningLine("Unknown mevra pragma: #pragma mevra frobnicate at [\\SRC\\A.C,7]"));
    // Trailing text turns a known form into an unknown one.
    EXPECT_EQ(scan("  #  pragma  mevra stop_instr x\n"),
              warningLine("Unknown mevra pragma: #  pragma  mevra stop_instr x at [\\SRC\\A.C,7]"));
    EXPECT_EQ(Scanner().instrOff, 0);
    EXPECT_EQ(scan("#pragma mevra \n"), warningLine("Unknown mevra pragma: #pragma mevra  at [\\SRC\\A.C,7]"));
}

TEST_F(DirectiveScan, SplicedPragmaMeansWhatItSays)
{
    EXPECT_EQ(scan("#pragma mevra stop_\\\ninstr\n"), "");
    EXPECT_EQ(Scanner().instrOff, 1);
    EXPECT_EQ(scan("#pragma mevra stop_\\\r\ninstr\n"),
              warningLine("Instrumentation is already stopped : [\\SRC\\A.C,7]"));
}

TEST_F(DirectiveScan, ReplacementsMatchInAnyLetterCase)
{
    ScannerState &s = Scanner();
    scan("#pragma mevra pragma \"MyStop\" = \"#pragma mevra stop_instr\"\n");
    scan("#pragma mevra directive \"Go\" = \"  #pragma mevra start_instr\"\n");
    scan("#pragma mystop\n");
    EXPECT_EQ(s.instrOff, 1);
    scan("#GO\n");
    EXPECT_EQ(s.instrOff, 0);
    scan("#  pragma  MYSTOP and more\n");
    EXPECT_EQ(s.instrOff, 1);
    scan("#go(1)\n");
    EXPECT_EQ(s.instrOff, 0);
    // A directive name needs the word right after the number sign.
    scan("# go\n");
    scan("#pragma go\n");
    EXPECT_EQ(s.instrOff, 0);
}

TEST_F(DirectiveScan, LaterReplacementOfANameWins)
{
    scan("#pragma mevra pragma \"x\" = \"#pragma mevra stop_instr\"\n");
    scan("#pragma mevra pragma \"X\" = \"#pragma mevra nointerpret\"\n");
    scan("#pragma x\n");
    EXPECT_EQ(Scanner().instrOff, 0);
    EXPECT_TRUE(Scanner().rawFileNames);
}

TEST_F(DirectiveScan, ReplacementLoopsEndAtOnce)
{
    int result = -1;
    scan("#pragma mevra pragma \"a\" = \"#pragma a\"\n");
    EXPECT_EQ(scan("#pragma a\n", &result), "");
    EXPECT_EQ(result, 0);

    scan("#pragma mevra directive \"p\" = \"#q\"\n");
    scan("#pragma mevra directive \"q\" = \"#P\"\n");
    EXPECT_EQ(scan("#p\n", &result), "");
    EXPECT_EQ(result, 0);

    // A replacement may lead to a replacement of another name.
    scan("#pragma mevra directive \"r\" = \"#s\"\n");
    scan("#pragma mevra directive \"s\" = \"#pragma mevra stop_instr\"\n");
    scan("#r\n");
    EXPECT_EQ(Scanner().instrOff, 1);
}

TEST_F(DirectiveScan, LongReplacementChainsStopBeforeTheStackEnds)
{
    // d0 -> d1 -> ... -> d99999 -> stop_instr: far too deep to follow.
    const int n = 100000;
    std::string line;
    line = "#pragma mevra directive \"d" + std::to_string(n - 1) + "\" = \"#pragma mevra stop_instr\"\n";
    scan(line.c_str());
    for (int i = n - 2; i >= 0; --i) {
        line = "#pragma mevra directive \"d" + std::to_string(i) + "\" = \"#d" + std::to_string(i + 1) + "\"\n";
        ScanDirective(line.c_str());
    }
    EXPECT_EQ(scan("#d0\n"), "");
    EXPECT_EQ(Scanner().instrOff, 0);
    // A short chain is followed to its end.
    EXPECT_EQ(scan(("#d" + std::to_string(n - 10) + "\n").c_str()), "");
    EXPECT_EQ(Scanner().instrOff, 1);
}

using DirectiveScanDeath = DirectiveTest;

TEST_F(DirectiveScanDeath, LineWithoutNumberSignIsFatal)
{
    EXPECT_EXIT(ScanDirective("%:pragma once\n"), ::testing::ExitedWithCode(7),
                "Corvel tarsk1 - FATAL ERROR: Cannot find '#' in %:pragma once");
}

TEST_F(DirectiveScanDeath, ReplacementWithoutNumberSignIsFatal)
{
    scan("#pragma mevra pragma \"bad\" = \"pragma once\"\n");
    EXPECT_EXIT(ScanDirective("#pragma bad\n"), ::testing::ExitedWithCode(7), "Cannot find '#' in pragma once");
}

TEST_F(DirectiveScanDeath, UnclosedFileNameIsInternal)
{
    EXPECT_EXIT(ScanDirective("# 5 \"abc\n"), ::testing::ExitedWithCode(9),
                "Corvel tarsk1 - INTERNAL ERROR: File name not readable");
}

}  // namespace
