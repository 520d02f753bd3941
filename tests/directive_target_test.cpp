// The GCC target's definition file: every number-sign line in it is a form
// the directive scanner knows, and it leaves the marks the scanner needs.
#include "directive_fixture.h"

#include <fstream>

#include "frontend/kinds.h"

namespace {

using GccTarget = DirectiveTest;

TEST_F(GccTarget, DefinitionPragmasAreAllKnown)
{
    std::ifstream in(TARSK1_SOURCE_ROOT "/targets/gcc-glibc/ana/mvct.def");
    ASSERT_TRUE(in.good());
    std::string line, warnings;
    int pragmas = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] != '#')
            continue;
        ++pragmas;
        warnings += scan((line + "\n").c_str());
    }
    EXPECT_EQ(warnings, "");
    EXPECT_GT(pragmas, 40);

    EXPECT_EQ(flagsOf("__attribute__"), ALPHA_REDUCE_NULL);
    EXPECT_EQ(flagsOf("__restrict"), ALPHA_DROP_EARLY);
    EXPECT_EQ(AcceptCode(FindOrAddAlpha("__const")), CONST);
    EXPECT_EQ(AcceptCode(FindOrAddAlpha("_Float128")), DOUBLE);
    EXPECT_EQ(alphaSpecialIndex(FindOrAddAlpha("__extension__")), 1u);
    EXPECT_EQ(flagsOf("__typeof__"), ALPHA_REDUCE_TYPENAME);
    std::vector<std::string> dirs;
    for (CountedList *c = files; c; c = c->next)
        dirs.push_back(static_cast<_AlphaType *>(c->item)->text);
    EXPECT_EQ(dirs, (std::vector<std::string>{"\\USR\\INCLUDE\\",
                                              "\\USR\\LIB\\GCC\\X86_64-LINUX-GNU\\12\\INCLUDE\\"}));
}

}  // namespace
