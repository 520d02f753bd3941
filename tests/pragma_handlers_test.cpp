// The vendor pragma handlers seen through their marks and registrations:
// flags on entries, accept codes and sequences, replacements, the file list,
// the switches, and every warning of a malformed pragma.
#include "directive_fixture.h"

#include "frontend/kinds.h"

namespace {

using PragmaHandlers = DirectiveTest;

const char *const kPragmaPlace = "[\\SRC\\A.C,7]";

std::string at(const std::string &text) { return warningLine(text + " : " + kPragmaPlace); }

TEST_F(PragmaHandlers, TypeModifierDropsEarly)
{
    EXPECT_EQ(scan("#pragma mevra type_modifier = far\n"), "");
    EXPECT_EQ(scan("# pragma\tmevra\ttype_modifier=__near \r\n"), "");
    EXPECT_EQ(flagsOf("far"), ALPHA_DROP_EARLY);
    EXPECT_EQ(flagsOf("__near"), ALPHA_DROP_EARLY);
    // The syntax wants an identifier.
    EXPECT_NE(scan("#pragma mevra type_modifier = 1far\n"), "");
}

TEST_F(PragmaHandlers, AcceptMarksAndCodes)
{
    scan("#pragma mevra accept \"__huge\"\n");
    EXPECT_EQ(flagsOf("__huge"), ALPHA_DROP_LATE);

    scan("#pragma mevra accept \"_far\" = 331\n");
    scan("#pragma mevra accept \"_far\"=339\n");
    EXPECT_EQ(flagsOf("_far"), ALPHA_ACCEPT_CODE);
    EXPECT_EQ(AcceptCode(FindOrAddAlpha("_far")), 339u) << "the later code wins";

    scan("#pragma mevra accept \"@\" = 300\n");
    EXPECT_EQ(AcceptCode(FindOrAddAlpha("@")), 300u);
}

TEST_F(PragmaHandlers, TooLargeCodesLeaveTheEntryAsItWas)
{
    EXPECT_EQ(scan("#pragma mevra accept \"X\" = 4294967296\n"), at("Pragma mevra accept = code value to large"));
    EXPECT_EQ(flagsOf("X"), 0u);
    // Every unsigned 32-bit value is a code.
    for (uint32_t code : {2147483647u, 2147483648u, 4294967295u}) {
        const std::string line = "#pragma mevra accept \"X\" = " + std::to_string(code) + "\n";
        EXPECT_EQ(scan(line.c_str()), "") << code;
        EXPECT_EQ(AcceptCode(FindOrAddAlpha("X")), code);
    }

    scan("#pragma mevra reduce \"R\" typename\n");
    EXPECT_EQ(scan("#pragma mevra reduce \"R\" = 99999999999999999999\n"),
              at("Pragma mevra accept = code value to large"));
    EXPECT_EQ(flagsOf("R"), ALPHA_REDUCE_TYPENAME);
}

TEST_F(PragmaHandlers, AcceptedSequences)
{
    scan("#pragma mevra accept \"X1\" to 331\n");
    _AlphaType *x1 = FindOrAddAlpha("X1");
    EXPECT_EQ(flagsOf("X1"), ALPHA_ACCEPT_SEQUENCE);
    EXPECT_FALSE(BeginAcceptedSequence(x1));
    EXPECT_TRUE(IsSequenceTerminator(331));
    EXPECT_FALSE(IsSequenceTerminator(1)) << "digits of the string are not numbers";

    scan("#pragma mevra accept \"Y\" up  to 331 ,339,\t340\n");
    EXPECT_TRUE(BeginAcceptedSequence(FindOrAddAlpha("Y")));
    for (int code : {331, 339, 340}) EXPECT_TRUE(IsSequenceTerminator(code)) << code;

    // A number beyond the int range is a terminator like any other.
    EXPECT_EQ(scan("#pragma mevra accept \"S\" to 339, 3000000000, 331\n"), "");
    BeginAcceptedSequence(FindOrAddAlpha("S"));
    EXPECT_TRUE(IsSequenceTerminator(339));
    EXPECT_TRUE(IsSequenceTerminator(331));

    // A too-large number ends the list; the numbers before it stay.
    EXPECT_EQ(scan("#pragma mevra accept \"Z\" to 331, 4294967296, 339\n"),
              at("Pragma mevra accept = code value to large"));
    BeginAcceptedSequence(FindOrAddAlpha("Z"));
    EXPECT_TRUE(IsSequenceTerminator(331));
    EXPECT_FALSE(IsSequenceTerminator(339));
}

TEST_F(PragmaHandlers, ReduceFormsSetTheFieldLastOneWins)
{
    struct {
        const char *line;
        uint32_t field;
    } cases[] = {
        {"#pragma mevra reduce \"A\"\n", ALPHA_REDUCE_IDENT},
        {"#pragma mevra reduce \"A\" typename\n", ALPHA_REDUCE_TYPENAME},
        {"#pragma mevra reduce \"A\" null\n", ALPHA_REDUCE_NULL},
        {"#pragma mevra reduce \"A\" empty\n", ALPHA_REDUCE_EMPTY},
        {"#pragma mevra reduce \"A\" = 345\n", ALPHA_REDUCE_CODE},
        {"#pragma mevra reduce \"A\"   \n", ALPHA_REDUCE_IDENT},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(scan(c.line), "") << c.line;
        EXPECT_EQ(flagsOf("A"), c.field) << c.line;
    }
    EXPECT_EQ(AcceptCode(FindOrAddAlpha("A")), 345u);

    scan("#pragma mevra fctreduce \"__body\"\n");
    EXPECT_EQ(flagsOf("__body"), ALPHA_SKIP_BRACES);
}

TEST_F(PragmaHandlers, EmptyStringsWarnAndMarkNothing)
{
    struct {
        const char *line;
        const char *warning;
    } cases[] = {
        {"#pragma mevra accept \"\"\n", "Pragma mevra accept string is empty"},
        {"#pragma mevra accept \"\" = 5\n", "Pragma mevra accept = string is empty"},
        {"#pragma mevra accept \"\" to 5\n", "Pragma mevra accept [up] to string is empty"},
        {"#pragma mevra accept \"\" up to 5\n", "Pragma mevra accept [up] to string is empty"},
        {"#pragma mevra reduce \"\" null\n", "Pragma mevra reduce string is empty"},
        {"#pragma mevra reduce \"\" = 5\n", "Pragma mevra reduce string is empty"},
        {"#pragma mevra fctreduce \"\"\n", "Pragma mevra fctreduce string is empty"},
        {"#pragma mevra exit_instr = \"f\", \"\"\n", "Pragma mevra exit_instr function name is empty"},
        {"#pragma mevra ex_call = \"\"\n", "Pragma mevra ex_call function name is empty"},
        {"#pragma mevra pragma \"\" = \"#x\"\n", "Pragma mevra pragma ident is empty"},
        {"#pragma mevra pragma \"x\" = \"\"\n", "Pragma mevra pragma replacement text is empty"},
        {"#pragma mevra directive \"\" = \"#x\"\n", "Pragma mevra directive ident is empty"},
        {"#pragma mevra directive \"x\" = \"\"\n", "Pragma mevra directive replacement text is empty"},
        {"#pragma mevra return_type \"\" = \"int\"\n", "Pragma mevra return_type ident is empty"},
        {"#pragma mevra return_type \"f\" = \"\"\n", "Pragma mevra return_type identifier return_type is empty"},
        {"#pragma mevra prefix_call \"\" = \"f\"\n", "Pragma mevra prefix_call prefix string is empty"},
        {"#pragma mevra prefix_call \"p\" = \"\", \"g\"\n", "Pragma mevra prefix_call call identifier is empty"},
    };
    for (const auto &c : cases) EXPECT_EQ(scan(c.line), at(c.warning)) << c.line;
    EXPECT_FALSE(HasPragmaReplacements());
    EXPECT_FALSE(HasDirectiveReplacements());
    // Two empty names in one list give two warnings and the list goes on.
    EXPECT_EQ(scan("#pragma mevra ex_call = \"\", \"g\", \"\"\n"),
              at("Pragma mevra ex_call function name is empty") + at("Pragma mevra ex_call function name is empty"));
}

TEST_F(PragmaHandlers, PrefixChangeWarnsOnce)
{
    EXPECT_EQ(scan("#pragma mevra prefix_call \"p1\" = \"f\"\n"), "");
    EXPECT_EQ(scan("#pragma mevra prefix_call \"p2\" = \"f\", \"g\"\n"),
              warningLine(std::string(kPragmaPlace) +
                          " in pragma mevra prefix_call, the call identifier f is already to be "
                          "prefixed by p1; this prefix is no longer used: p2 will be used instead"));
    EXPECT_EQ(scan("#pragma mevra prefix_call \"p2\" = \"f\"\n"), "");
}

TEST_F(PragmaHandlers, SpecialExtensions)
{
    EXPECT_EQ(scan("#pragma mevra \"microsoft#_asm\"\n"), "");
    EXPECT_EQ(flagsOf("_asm"), ALPHA_SPECIAL);
    EXPECT_EQ(flagsOf("__asm"), ALPHA_SPECIAL);

    EXPECT_EQ(scan("#pragma mevra \"gnu#__extension__\"\n"), "");
    EXPECT_EQ(flagsOf("__extension__"), ALPHA_SPECIAL | 0x100u);
    EXPECT_EQ(alphaSpecialIndex(FindOrAddAlpha("__extension__")), 1u);

    EXPECT_EQ(scan("#pragma mevra \"microsoft#seh\"\n"), "");
    EXPECT_EQ(flagsOf("__try"), ALPHA_ACCEPT_CODE);
    EXPECT_EQ(flagsOf("__except"), ALPHA_REDUCE_CODE);
    EXPECT_EQ(flagsOf("__finally"), ALPHA_ACCEPT_CODE);
    EXPECT_EQ(flagsOf("__leave"), ALPHA_ACCEPT_CODE);
    EXPECT_EQ(AcceptCode(FindOrAddAlpha("__try")), uint32_t(TRY));
    EXPECT_EQ(AcceptCode(FindOrAddAlpha("__except")), uint32_t(EXCEPT));
    EXPECT_EQ(AcceptCode(FindOrAddAlpha("__finally")), uint32_t(FINALLY));
    EXPECT_EQ(AcceptCode(FindOrAddAlpha("__leave")), uint32_t(LEAVE));

    EXPECT_EQ(scan("#pragma mevra \"microsoft#fastcall\"\n"),
              warningLine("Unknown microsoft extension : fastcall at [\\SRC\\A.C,7]"));
    EXPECT_EQ(scan("#pragma mevra \"gnu#asm\"\n"), warningLine("Unknown gnu extension : asm at [\\SRC\\A.C,7]"));
    EXPECT_EQ(scan("#pragma mevra \"Microsoft#seh\"\n"),
              warningLine("Unknown special extension : Microsoft#seh at [\\SRC\\A.C,7]"));
}

TEST_F(PragmaHandlers, Switches)
{
    ScannerState &s = Scanner();
    EXPECT_EQ(scan("#pragma mevra start_instr\n"), at("Instrumentation is already running"));
    EXPECT_EQ(scan("#pragma mevra stop_instr\n"), "");
    EXPECT_EQ(s.instrOff, 1);
    EXPECT_EQ(scan("#pragma mevra stop_instr\n"), at("Instrumentation is already stopped"));
    EXPECT_EQ(scan("#pragma mevra start_instr\n"), "");
    EXPECT_EQ(s.instrOff, 0);

    EXPECT_EQ(scan("#pragma mevra start_analyze\n"), at("Analysis is already started"));
    s.analysisStopped = true;
    EXPECT_EQ(scan("#pragma mevra start_analyse\n"), "");
    EXPECT_FALSE(s.analysisStopped);
    s.analysisStopped = true;
    EXPECT_EQ(scan("#pragma mevra stop_analyse\n"), at("Analysis is already stopped"));
}

TEST_F(PragmaHandlers, StandardIncludeDirectories)
{
    scan("#pragma mevra incl_std = \"c:\\include\", lib , \"x\",y,  \"\"\"/usr/lib\"\"\"\n");
    std::vector<std::string> got;
    for (CountedList *c = files; c; c = c->next) got.push_back(static_cast<_AlphaType *>(c->item)->text);
    EXPECT_EQ(got, (std::vector<std::string>{"C:\\INCLUDE\\", "LIB\\", "\\USR\\LIB\\"}));

    // Without "=" nothing happens; an empty piece ends the list.
    files = FreeCountedList(files);
    scan("#pragma mevra incl_std \"/usr/include\"\n");
    EXPECT_EQ(files, nullptr);
    scan("#pragma mevra incl_std=/opt/a,  \t\n");
    ASSERT_NE(files, nullptr);
    EXPECT_STREQ(static_cast<_AlphaType *>(files->item)->text, "\\OPT\\A\\");
    EXPECT_EQ(files->next, nullptr);
}

TEST_F(PragmaHandlers, FormsWithoutEffectAreSilent)
{
    for (const char *line :
         {"#pragma mevra sizeof(int) = 4\n", "#pragma mevra signof anything\n", "#pragma mevra nothingbefore\n",
          "#pragma mevra testing_tool_call_place\n", "#pragma mevra mvc_insert whatever\n", "#pragma mevra crc 12\n",
          "#pragma mevra mvo_stub x\n", "#pragma mevra exit_instr = \"exit\", \"abort\"\n",
          "#pragma mevra ex_call = \"f\"\n", "#pragma mevra return_type \"f\" = \"int\"\n"}) {
        int result = -1;
        EXPECT_EQ(scan(line, &result), "") << line;
        EXPECT_EQ(result, 0);
    }
    // Forms whose syntax is not met are unknown pragmas.
    for (const char *line : {"#pragma mevra insert\n", "#pragma mevra exit_instr \"f\"\n", "#pragma mevra accept X\n",
                             "#pragma mevra reduce \"A\" other\n", "#pragma mevra accept \"X\" = 012\n"})
        EXPECT_NE(scan(line).find("Unknown mevra pragma"), std::string::npos) << line;
}

using PragmaHandlersDeath = DirectiveTest;

TEST_F(PragmaHandlersDeath, EscapedQuoteInCheckedNamesIsInternal)
{
    EXPECT_EXIT(ScanDirective("#pragma mevra exit_instr = \"a\\\"b\"\n"), ::testing::ExitedWithCode(9),
                "INTERNAL ERROR: Exit instruction name not readable");
    EXPECT_EXIT(ScanDirective("#pragma mevra ex_call = \"a\\\"b\"\n"), ::testing::ExitedWithCode(9),
                "INTERNAL ERROR: Pragma mevra ex_call function name not readable");
}

}  // namespace
