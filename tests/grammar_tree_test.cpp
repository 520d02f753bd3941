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

TEST(GrammarTree, FileOfEmptyDeclarationsHasBareRoot)
{
    testutil::TempDir dir;
    testutil::writeFile(dir.file("empty.c"), ";\n;\n");
    testutil::ProcessResult r = grammar::dump(dir.file("empty.c"));
    EXPECT_EQ(r.out, "TRANSLATION_UNIT - 0:0 0:0\nresult 0\n");
    EXPECT_EQ(r.err, "");
}

}  // namespace
