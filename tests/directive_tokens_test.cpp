// Golden tests of directives and pragmas through the token stream: the token
// dump runs over a small C file (after a definition file when the case has
// one) and the fields that the case names are compared with a hand-written
// expectation; the warnings must match byte for byte.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "testutil.h"

namespace {

const std::string kData = TARSK1_TEST_DATA "/directives/";
const std::string kDump = TARSK1_BUILD_DIR "/tests/tokendump";

struct Token {
    std::map<std::string, std::string> field;
};

// Literal, constant and identifier-like tokens show their text; keywords and
// punctuators keep whatever text came before, which is not what we test.
bool showsText(int code) { return (code >= 289 && code <= 296) || code == 348 || code >= 367; }

// Projects one dump line on the named fields.
std::string project(const std::string &line, const std::vector<std::string> &fields)
{
    static const std::regex shape(R"(^(\d+) (\S+) (\d+)/(\d+):(\d+) (\S+) (\S+) (-|\[.*\]) (\d+)( end \S+)?$)");
    std::smatch m;
    if (line.rfind("==", 0) == 0) return line;
    if (!std::regex_match(line, m, shape)) return "unparsed: " + line;
    std::map<std::string, std::string> f = {{"kind", m[2]}, {"line", m[3]}, {"physical", m[4]}, {"col", m[5]},
                                            {"file", m[6]}, {"dir", m[7]},  {"instr", m[9]}};
    std::string out;
    for (const std::string &name : fields) {
        if (name == "alpha") {
            if (showsText(std::stoi(m[1]))) out += " " + m[8].str();
            continue;
        }
        out += " " + f.at(name);
    }
    return out.substr(1);
}

std::vector<std::string> words(const std::string &text)
{
    std::istringstream in(text);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

void runCase(const std::string &name)
{
    std::istringstream expected(testutil::readFile(kData + name + ".expected"));
    std::string header, line;
    std::getline(expected, header);
    ASSERT_EQ(header.rfind("fields:", 0), 0u) << name;
    std::vector<std::string> fields = words(header.substr(7));
    int exitCode = 0;
    std::string wanted;
    while (std::getline(expected, line)) {
        if (line.rfind("exit:", 0) == 0) exitCode = std::stoi(line.substr(5));
        else wanted += line + "\n";
    }

    std::vector<std::string> args;
    if (testutil::exists(kData + name + ".def")) args.push_back(kData + name + ".def");
    args.push_back(kData + name + ".c");
    // A fatal end leaves the input file open: not a leak worth reporting
    // under the sanitizers, whose report would replace the exit code.
    std::vector<std::string> env;
    if (exitCode != 0) env.push_back("ASAN_OPTIONS=detect_leaks=0");
    testutil::ProcessResult r = testutil::runProcess(kDump, args, env);

    std::istringstream out(r.out);
    std::string got;
    while (std::getline(out, line)) got += project(line, fields) + "\n";
    EXPECT_EQ(r.exitCode, exitCode) << name << "\n" << r.err;
    EXPECT_EQ(got, wanted) << name;
    std::string errPath = kData + name + ".err";
    EXPECT_EQ(r.err, testutil::exists(errPath) ? testutil::readFile(errPath) : "") << name;
}

TEST(DirectiveTokens, LineMarkersAndFileDirectives) { runCase("markers"); }
TEST(DirectiveTokens, FileNameEscapesAndNointerpret) { runCase("names"); }
TEST(DirectiveTokens, MeaningsChangeTheStream) { runCase("stream"); }
TEST(DirectiveTokens, DefinitionFileMarksAndInstrumentation) { runCase("instr"); }
TEST(DirectiveTokens, AnalysisStopAndStart) { runCase("analysis"); }
TEST(DirectiveTokens, AssemblerShapes) { runCase("asm"); }
TEST(DirectiveTokens, StructuredExceptionKeywords) { runCase("seh"); }
TEST(DirectiveTokens, ExtensionShapes) { runCase("extension"); }
TEST(DirectiveTokens, ReplacementsStopAndResumeAnalysis) { runCase("replace"); }
TEST(DirectiveTokens, PercentColonWithoutNumberSignIsFatal) { runCase("fatal"); }

}  // namespace
