// Tree shapes built by the grammar, compared with outlines written by hand:
// declarators and initializers, expressions, statements, and the scoping of
// typedef names (which decides TYPE_NAME against IDENTIFIER leaves).
#include "grammar_fixture.h"

namespace {

using grammar::expectGolden;

TEST(GrammarTree, DeclaratorsAndInitializers) { expectGolden("declarators"); }

TEST(GrammarTree, Expressions) { expectGolden("expressions"); }

TEST(GrammarTree, StatementsAndBlockStatics) { expectGolden("statements"); }

// Parameter hiding a typedef, block typedefs forgotten after the block
// (also ending a file-level typedef of the same name), an ordinary
// declaration ending a typedef, enumerators hiding it, members and
// prototype parameters that do not.
TEST(GrammarTree, TypedefScoping) { expectGolden("typedef_scope"); }

// Old-style definitions, the vendor statements that pragmas enable, and a
// for header declaring two names.
TEST(GrammarTree, OldStyleDefinitionsAndVendorStatements) { expectGolden("old_style_and_extensions"); }

// Forms that were syntax errors before: "__extension__ (type)" casting an
// operand or a compound literal (where the identifier reading of the group
// fails; it stays where it parses, and statement expressions stay hidden),
// member designators named like a typedef, range designators, [[...]]
// attributes, string prefixes, float suffixes, a type as the last argument.
TEST(GrammarTree, NewerFormsThatWereSyntaxErrors) { expectGolden("newer_forms"); }

// Statics and externs of a block that were used make the EXTERN node;
// declarations from an excluded directory, arrays of unknown size and
// struct objects do not count.
TEST(GrammarTree, BlockStaticsAndExcludedDirectories)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("s.c"),
                        "# 1 \"/excl/sub/h.c\"\n"
                        "void f(void) { static int a; extern int b[]; static struct S s; static struct S *p;"
                        " extern int c; a; b; s; p; c; }\n");
    auto externLine = [](const std::string &out) {
        size_t at = out.find("EXTERN ");
        return at == std::string::npos ? std::string() : out.substr(at, out.find('\n', at) - at);
    };
    testutil::ProcessResult r = grammar::dump(dir.file("s.c"));
    EXPECT_EQ(externLine(r.out), "EXTERN {a p c} 0:0 0:0");
    r = testutil::runProcess(TREEDUMP, {"-x", "\\EXCL\\", dir.file("s.c")});
    EXPECT_EQ(externLine(r.out), "");
    EXPECT_EQ(r.err, "");
}

TEST(GrammarTree, FileOfEmptyDeclarationsHasBareRoot)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("empty.c"), ";\n;\n");
    testutil::ProcessResult r = grammar::dump(dir.file("empty.c"));
    EXPECT_EQ(r.out, "TRANSLATION_UNIT - 0:0 0:0\nresult 0\n");
    EXPECT_EQ(r.err, "");
}

}  // namespace
