// Every input that a fuzz target ever found at fault, replayed through the
// same harness bodies in the normal suite (no libFuzzer): each must end the
// way the program documents, and under the sanitizer build without a report.
#include "fuzz/harness.h"
#include "support/alpha.h"
#include "support/files.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Runner = int (*)(const uint8_t *, std::size_t);

struct Reproducer {
    const char *target;
    const char *file;
    int outcome;  // fuzz::NORMAL_END or the exit code
};

void PrintTo(const Reproducer &r, std::ostream *os) { *os << r.target << "/" << r.file; }

Runner runnerFor(const std::string &target)
{
    if (target == "grammar") return fuzz::runGrammarInput;
    if (target == "directive") return fuzz::runDirectiveInput;
    if (target == "halstead") return fuzz::runHalsteadInput;
    if (target == "decoder") return fuzz::runDecoderInput;
    return nullptr;
}

std::string dataPath(const std::string &target, const std::string &file)
{
    return std::string(TARSK1_TEST_DATA) + "/fuzz/" + target + "/" + file;
}

int replay(const std::string &target, const std::string &file)
{
    const std::string bytes = testutil::readFile(dataPath(target, file));
    return runnerFor(target)(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
}

std::vector<std::string> filesOf(const std::string &target)
{
    std::vector<std::string> names;
    DIR *dir = ::opendir((std::string(TARSK1_TEST_DATA) + "/fuzz/" + target).c_str());
    if (!dir) return names;
    while (dirent *e = ::readdir(dir)) {
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// What each kept input found, and how the program must end on it.
const Reproducer kReproducers[] = {
    // Qualifier lists in array dimensions, a sizeof with extra arguments, a
    // designator name and a typedef name before a basic type: values the
    // grammar drops, each a list of several nodes.
    {"grammar", "dropped_lists.c", fuzz::NORMAL_END},
    // The ends the targets turn into returns: each must leave the modules
    // ready for the next input (the folder sweep below runs them in a row).
    {"grammar", "measured", fuzz::NORMAL_END},
    {"grammar", "syntax_error", 7},
    {"grammar", "fatal_in_scanner", 7},
    {"directive", "unclosed_marker", 9},
    {"directive", "percent_colon", 7},
    {"directive", "stop_without_start", fuzz::NORMAL_END},
    // A line marker naming the largest line number, then more lines.
    {"directive", "largest_line", fuzz::NORMAL_END},
    {"halstead", "unopened_endif", 7},
    {"halstead", "line_marker", fuzz::NORMAL_END},
    {"decoder", "missing_input", 7},
    {"decoder", "huge_reference", 7},
    // Tokens of an option file are never option files themselves.
    {"decoder", "self_option_file", fuzz::NORMAL_END},
};

class KeptReproducer : public ::testing::TestWithParam<Reproducer> {};

TEST_P(KeptReproducer, EndsAsDocumented)
{
    const Reproducer &r = GetParam();
    EXPECT_EQ(replay(r.target, r.file), r.outcome) << r.target << "/" << r.file;
}

INSTANTIATE_TEST_SUITE_P(Fuzz, KeptReproducer, ::testing::ValuesIn(kReproducers),
                         [](const ::testing::TestParamInfo<Reproducer> &info) {
                             std::string name = std::string(info.param.target) + "_" + info.param.file;
                             for (char &c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// Every file of the data folder runs to an end, the listed ones as above;
// running them one after the other in one process also checks that no
// input leaves state behind that breaks the next.
TEST(FuzzCorpus, EveryKeptInputEndsInOneProcess)
{
    const int documented[] = {fuzz::NORMAL_END, 1, 2, 7, 9};
    for (const char *target : {"grammar", "directive", "halstead", "decoder"}) {
        for (const std::string &file : filesOf(target)) {
            const int outcome = replay(target, file);
            EXPECT_NE(std::find(std::begin(documented), std::end(documented), outcome), std::end(documented))
                << target << "/" << file << " ended with " << outcome;
            // The same input twice gives the same end: nothing of the first run lingers.
            EXPECT_EQ(replay(target, file), outcome) << target << "/" << file;
        }
    }
}

// A split cached before the identifier table was freed must not hand out
// the freed entries afterwards.
TEST(FuzzCorpus, SplitCacheDiesWithTheIdentifierTable)
{
    ResetAlphaTable();
    _AlphaType *name = nullptr, *directory = nullptr;
    splitSourcePath("/tmp/a.c", &name, &directory);
    FreeAlphaTable();
    ResetAlphaTable();
    splitSourcePath("/tmp/a.c", &name, &directory);
    EXPECT_EQ(name, FindOrAddAlpha("A.C"));
    EXPECT_EQ(directory, FindOrAddAlpha("\\TMP\\"));
    FreeAlphaTable();
}

}  // namespace
