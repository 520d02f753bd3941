// Command decoder: expansion (option files, environment references), option
// matching, lists and escapes, the numbered error reports, and the generic
// features (negation, presets, defaults, allowed values, numbers, conflicts)
// on a table of the test's own.
#include "driver/argstarsk1.h"
#include "driver/argstarsk1_testing.h"
#include "driver/gcmdec.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using testutil::TempDir;

namespace {

const std::string kUsage =
    "\nUsage tarsk1:\n\t<preprocessed-files>[,preprocessed-files]\n\t[-METRICS[=<metrics-dir>]]\n"
    "\t[-RESTRICT_METRICS=<file|directory>[,file|directory]]\n";
const std::string kHeader = "Orvane(R) Corvel Command analysis : ";

// Sends fd 2 into a temporary file while alive.
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        saved_ = ::dup(2);
        int fd = ::open(dir_.file("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    std::string finish()
    {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        return testutil::readFile(dir_.file("err"));
    }

private:
    TempDir dir_;
    int saved_;
};

struct Outcome {
    int result;
    std::string err;
};

Outcome run(CommandTable *table, const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>("tarsk1"));
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    int argc = static_cast<int>(argv.size()) - 1;
    char **vector = argv.data();
    selectCommandTable(table);
    StderrCapture capture;
    int result = expandArguments(&argc, &vector);
    if (result == 0) result = decodeCommand(argc, vector);
    return {result, capture.finish()};
}

std::vector<std::string> values(const ValueNode *(*query)(int, int), int which)
{
    std::vector<std::string> out;
    for (int n = 1; const ValueNode *v = query(which, n); ++n) out.push_back(v->text);
    return out;
}

std::vector<std::string> inputs() { return values(positionalValue, 1); }

std::vector<std::string> optionValues(const char *name) { return values(optionValue, optionState(name)); }

class ToolTable : public ::testing::Test {
protected:
    void TearDown() override { releaseCommandMemory(); }
    Outcome decode(const std::vector<std::string> &args) { return run(toolCommandTable(), args); }
};

TEST_F(ToolTable, AbbreviationsSelectOptions)
{
    Outcome o = decode({"a.i", "-m", "-res=x", "-v"});
    ASSERT_EQ(o.result, 0) << o.err;
    EXPECT_EQ(optionState("METRICS"), 1);
    EXPECT_EQ(optionValue(1, 1), nullptr);
    EXPECT_EQ(optionValues("RESTRICT_METRICS"), std::vector<std::string>{"x"});
    EXPECT_EQ(optionState("VANTEL_LOG"), 3);
    EXPECT_EQ(optionValue(3, 1), nullptr);
    EXPECT_EQ(o.err, "");
}

TEST_F(ToolTable, EmptyValueAndCaseInsensitiveNames)
{
    ASSERT_EQ(decode({"a.i", "-METRICS=", "-Restrict_Metrics=dir"}).result, 0);
    EXPECT_EQ(optionState("metrics"), 1);
    EXPECT_EQ(optionValue(1, 1), nullptr);
    EXPECT_EQ(optionValues("RESTRICT_METRICS"), std::vector<std::string>{"dir"});
}

TEST_F(ToolTable, UnknownOptionReportIsExact)
{
    Outcome o = decode({"a.i", "-FOO"});
    EXPECT_EQ(o.result, -1);
    EXPECT_EQ(o.err, kHeader + "Unknown option, FOO" + kUsage + "\n");
    releaseCommandMemory();
    o = decode({"a.i", "-metricsx=d"});
    EXPECT_EQ(o.err, kHeader + "Unknown option, metricsx=d" + kUsage + "\n");
}

TEST_F(ToolTable, ListsAndEscapes)
{
    ASSERT_EQ(decode({"a.i,b.i", "a\\,b.i", "a.i,,b.i", "a.i,"}).result, 0);
    EXPECT_EQ(inputs(), (std::vector<std::string>{"a.i", "b.i", "a,b.i", "a.i", ",b.i", "a.i"}));
}

TEST_F(ToolTable, ListOptionAccumulatesOthersRefuseRepetition)
{
    ASSERT_EQ(decode({"a.i", "-RESTRICT_METRICS=x", "-res=y,z"}).result, 0);
    EXPECT_EQ(optionValues("RESTRICT_METRICS"), (std::vector<std::string>{"x", "y", "z"}));
    releaseCommandMemory();

    Outcome o = decode({"a.i", "-METRICS=a", "-METRICS=b"});
    EXPECT_EQ(o.err, kHeader + "An option can't be used twice, METRICS=b" + kUsage + "\n");
    releaseCommandMemory();
    EXPECT_NE(decode({"a.i", "-v", "-VANTEL_LOG"}).err.find("An option can't be used twice, VANTEL_LOG"),
              std::string::npos);
}

TEST_F(ToolTable, ValueErrors)
{
    std::string longest(1024, 'x');
    ASSERT_EQ(decode({longest}).result, 0);
    releaseCommandMemory();
    std::string tooLong = longest + "y";
    EXPECT_EQ(decode({"a.i", "-METRICS=" + tooLong}).err, kHeader + "Arg length too large, " + tooLong + kUsage + "\n");
    releaseCommandMemory();
    EXPECT_EQ(decode({"a.i", "-METRICS=a,b"}).err,
              kHeader + "List forbidden invalid option, METRICS=a,b" + kUsage + "\n");
    releaseCommandMemory();
    EXPECT_EQ(decode({"a.i", "-RESTRICT_METRICS"}).err,
              kHeader + "Mandatory argument for this option, RESTRICT_METRICS" + kUsage + "\n");
    releaseCommandMemory();
    EXPECT_EQ(decode({"a.i", "-res="}).err, kHeader + "Mandatory argument for this option, res=" + kUsage + "\n");
}

TEST_F(ToolTable, MissingPositional)
{
    Outcome o = decode({"-m"});
    EXPECT_EQ(o.result, -1);
    EXPECT_EQ(o.err, kHeader + "Argument missing, preprocessed-files" + kUsage + "\n");
}

TEST_F(ToolTable, UnknownQueryNameHasNoUsage)
{
    ASSERT_EQ(decode({"a.i"}).result, 0);
    StderrCapture capture;
    EXPECT_EQ(optionState("NOPE"), 0);
    EXPECT_EQ(capture.finish(), kHeader + "Internal error, bad option name NOPE\n");
    EXPECT_EQ(optionValue(0, 1), nullptr);
    EXPECT_EQ(positionalValue(1, 0), nullptr);
    EXPECT_EQ(positionalValue(2, 1), nullptr);
}

TEST_F(ToolTable, EnvironmentReferences)
{
    ::setenv("TARSK1_T_HOME", "/h", 1);
    ::setenv("TARSK1_T_SELF", "$TARSK1_T_HOME", 1);
    ::unsetenv("TARSK1_T_NOPE");
    ASSERT_EQ(
        decode({"$TARSK1_T_HOME/x", "$TARSK1_T_NOPE/x", "a$", "$/y", "$TARSK1_T_SELF", "-res=$TARSK1_T_HOME"}).result,
        0);
    // An inserted value is not scanned again.
    EXPECT_EQ(inputs(), (std::vector<std::string>{"/h/x", "$TARSK1_T_NOPE/x", "a$", "$/y", "$TARSK1_T_HOME"}));
    EXPECT_EQ(optionValues("RESTRICT_METRICS"), std::vector<std::string>{"/h"});
}

TEST_F(ToolTable, OptionFiles)
{
    TempDir dir;
    ::setenv("TARSK1_T_DIR", "/d", 1);
    testutil::writeFile(dir.file("opts"), "  # a comment, -FOO\n"
                                          "a.i \"b c.i\"\t\"\"\n"
                                          "-RESTRICT_METRICS=x,\\\r\n"
                                          "y @nested $TARSK1_T_DIR/e.i x\\,y.i#not-a-comment\n"
                                          "\t#another comment\r\n"
                                          "last.i");
    testutil::writeFile(dir.file("more"), "m.i");
    Outcome o = decode({"first.i", "@" + dir.file("opts"), "-Option=" + dir.file("more")});
    ASSERT_EQ(o.result, 0) << o.err;
    EXPECT_EQ(inputs(), (std::vector<std::string>{"first.i", "a.i", "b c.i", "@nested", "/d/e.i", "x,y.i#not-a-comment",
                                                  "last.i", "m.i"}));
    EXPECT_EQ(optionValues("RESTRICT_METRICS"), (std::vector<std::string>{"x", "y"}));
}

TEST_F(ToolTable, MissingOptionFile)
{
    TempDir dir;
    std::string missing = dir.file("absent");
    Outcome o = decode({"a.i", "@" + missing});
    EXPECT_EQ(o.result, -1);
    EXPECT_EQ(o.err, kHeader + "File not found " + missing + kUsage + "\n");
    releaseCommandMemory();
    EXPECT_EQ(decode({"-OPTION=" + dir.path()}).err, kHeader + "File not found " + dir.path() + kUsage + "\n");
}

// A table that uses what the tool's own does not.
class GenericTable : public ::testing::Test {
protected:
    AllowedValue grey = {"GREY", 0, nullptr};
    AllowedValue green = {"GREEN", 0, &grey};
    AllowedValue red = {"RED", 0, &green};
    ArgumentDescriptor color = {"color", 'C', 'N', 1, 20, 0, nullptr, nullptr, nullptr};
    ArgumentDescriptor count = {"count", 'I', 'Y', 1, 10, 0, nullptr, nullptr, nullptr};
    ArgumentDescriptor second = {"second", 'L', 'N', -5, 5, 1, nullptr, nullptr, nullptr};
    ArgumentDescriptor first = {"first", 'C', 'N', 2, 4, 0, &second, nullptr, nullptr};
    OptionDescriptor preset = {"PRESET", 0, nullptr, 0, 0, 1, 0, nullptr, nullptr};
    OptionDescriptor colorOption = {"COLOR", 0, &color, 0, 0, 0, 1, &red, &preset};
    OptionDescriptor beta = {"BETA", 0, nullptr, 0, 1, 0, 0, nullptr, &colorOption};
    OptionDescriptor alphabet = {"ALPHABET", 1, &count, 0, 0, 0, 0, nullptr, &beta};
    OptionDescriptor alpha = {"ALPHA", 0, nullptr, 0, 0, 0, 0, nullptr, &alphabet};
    ConflictPair conflict = {&alpha, &beta, nullptr};
    CommandTable table = {"generic", '/', ':', ';', &first, &alpha, &conflict, "\n\tgeneric <first>\n\t[-XT hidden]\n"};

    void TearDown() override { releaseCommandMemory(); }
    Outcome decode(const std::vector<std::string> &args) { return run(&table, args); }
    std::string report(const std::string &text) { return kHeader + text + "\n\tgeneric <first>\n\n"; }
};

TEST_F(GenericTable, ExactBeatsLongerNameAndEqualAbbreviationsAreAmbiguous)
{
    ASSERT_EQ(decode({"ab", "/alpha", "/alphab:3;4"}).result, 0);
    EXPECT_EQ(optionState("ALPHA"), 1);
    EXPECT_EQ(optionValue(2, 1)->number, 3);
    EXPECT_EQ(optionValue(2, 2)->number, 4);
    releaseCommandMemory();
    EXPECT_EQ(decode({"ab", "/alp"}).err, report("Ambiguous option, alp"));
    releaseCommandMemory();
    EXPECT_EQ(decode({"ab", "/alpha:x"}).err, report("No argument for this option, alpha:x"));
}

TEST_F(GenericTable, NegationPresetsAndDefaults)
{
    ASSERT_EQ(decode({"ab"}).result, 0);
    EXPECT_EQ(optionState("BETA"), -3);  // absent negatable options count as negated
    EXPECT_EQ(optionState("PRESET"), 5);
    EXPECT_EQ(optionState("COLOR"), 0);
    EXPECT_STREQ(optionValue(4, 1)->text, "RED");
    releaseCommandMemory();

    ASSERT_EQ(decode({"ab", "/nob", "/color:gree"}).result, 0);
    EXPECT_EQ(optionState("BETA"), -3);
    EXPECT_STREQ(optionValue(4, 1)->text, "GREEN");
    EXPECT_EQ(optionValue(4, 2), nullptr);
    releaseCommandMemory();
    ASSERT_EQ(decode({"ab", "/b", "/color:REDDISH"}).result, 0);
    EXPECT_EQ(optionState("BETA"), 3);
    EXPECT_STREQ(optionValue(4, 1)->text, "RED");
}

TEST_F(GenericTable, AllowedValueErrors)
{
    EXPECT_EQ(decode({"ab", "/color:gre"}).err, report("Ambiguous value of option, gre"));
    releaseCommandMemory();
    EXPECT_EQ(decode({"ab", "/color:blue"}).err, report("Unknown value of option, blue"));
}

TEST_F(GenericTable, NumbersLengthsAndPositionals)
{
    ASSERT_EQ(decode({"ab", "-5"}).result, 0);
    EXPECT_STREQ(positionalValue(1, 1)->text, "ab");
    EXPECT_EQ(positionalValue(2, 1)->number, -5);
    releaseCommandMemory();
    EXPECT_EQ(decode({"ab", "/alphabet:0"}).err, report("Arg value too small, 0"));
    releaseCommandMemory();
    EXPECT_EQ(decode({"ab", "/alphabet:2;11"}).err, report("Arg value too large, 11"));
    releaseCommandMemory();
    EXPECT_EQ(decode({"ab", "99999999999999999999"}).err, report("Arg value too large, 99999999999999999999"));
    releaseCommandMemory();
    EXPECT_EQ(decode({"a"}).err, report("Arg length too small, a"));
    releaseCommandMemory();
    EXPECT_EQ(decode({"ab;c"}).err, report("List forbidden invalid argument, ab;c"));
    releaseCommandMemory();
    EXPECT_EQ(decode({"ab", "1", "2"}).err, report("Too many arguments invalid argument, 2"));
}

TEST_F(GenericTable, ConflictingOptions)
{
    EXPECT_EQ(decode({"ab", "/alpha", "/beta"}).err, report("Illegal combination of command elements, ALPHA and BETA"));
    releaseCommandMemory();
    EXPECT_EQ(decode({"ab", "/alpha", "/nobeta"}).result, 0);
}

TEST(DecoderScale, LongOptionFileStaysLinear)
{
    TempDir dir;
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "f" + std::to_string(i) + ".i\n";
    text += std::string(5000, 'z') + "\n";  // longer than several token buffer steps
    testutil::writeFile(dir.file("many"), text);
    Outcome o = run(toolCommandTable(), {"@" + dir.file("many")});
    EXPECT_EQ(o.err.find("Arg length too large, zzz"), kHeader.size());
    releaseCommandMemory();
    text.resize(text.size() - 5001);
    testutil::writeFile(dir.file("many"), text);
    ASSERT_EQ(run(toolCommandTable(), {"@" + dir.file("many")}).result, 0);
    EXPECT_STREQ(positionalValue(1, 200000)->text, "f199999.i");
    releaseCommandMemory();
}

}  // namespace
