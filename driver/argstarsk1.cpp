// The command table of tarsk1 (input files and three options) and
// decodeOptions, which applies the decoded command line to the run settings:
// input files, output directory, log file and restriction prefixes.
#include "driver/argstarsk1.h"
#include "driver/argstarsk1_testing.h"

#include "driver/gcmdec.h"
#include "support/alpha.h"
#include "support/files.h"
#include "support/machine.h"

#include <cstring>

namespace {

const int kMaximumLength = 1024;

ArgumentDescriptor preprocessedFiles = {
    "preprocessed-files", 'C', 'Y', 1, kMaximumLength, 0, nullptr, nullptr, nullptr};
ArgumentDescriptor metricsDir = {"metrics-dir", 'C', 'N', 1, kMaximumLength, 0, nullptr, nullptr, nullptr};
ArgumentDescriptor restrictedPaths = {"file|directory", 'C', 'Y', 1, kMaximumLength, 0, nullptr, nullptr, nullptr};
ArgumentDescriptor logFile = {"log-file", 'C', 'N', 1, kMaximumLength, 0, nullptr, nullptr, nullptr};

// name, value required, argument, state, negatable, preset, default index, allowed, next
OptionDescriptor vantelLogOption = {"VANTEL_LOG", 0, &logFile, 0, 0, 0, 0, nullptr, nullptr};
OptionDescriptor restrictOption = {"RESTRICT_METRICS", 1, &restrictedPaths, 0, 0, 0, 0, nullptr, &vantelLogOption};
OptionDescriptor metricsOption = {"METRICS", 0, &metricsDir, 0, 0, 0, 0, nullptr, &restrictOption};

// The log option is left out of the usage on purpose.
const char *const kUsage = "\nUsage tarsk1:\n"
                           "\t<preprocessed-files>[,preprocessed-files]\n"
                           "\t[-METRICS[=<metrics-dir>]]\n"
                           "\t[-RESTRICT_METRICS=<file|directory>[,file|directory]]\n";

CommandTable tarsk1Table = {"tarsk1", '-', '=', ',', &preprocessedFiles, &metricsOption, nullptr, kUsage};

const ValueNode *firstValue(int position) { return optionValue(position, 1); }

// A run may name tens of thousands of files (an option file makes that easy):
// the values are followed in one walk, and a file named again is found by
// its entry instead of by a walk of the list. The same for restrictions.
void collectInputFiles(RunSettings *settings)
{
    CountedListBuilder files(&settings->inputFiles);
    for (const ValueNode *value = positionalValue(1, 1); value; value = value->next)
        files.add(FindOrAddAlpha(value->text));
}

// An absolute, upper-case prefix in program form; "/" marks a path that does
// not exist, so that it can only match as a directory. A root has no name
// part: its prefix is the root directory, which holds everything.
_AlphaType *restrictionPrefix(const char *value)
{
    char *absolute = isRelativePath(value) ? joinPath(currentDirectory(), value) : nullptr;
    _AlphaType *name = nullptr, *directory = nullptr;
    splitSourcePath(absolute ? absolute : value, &name, &directory);
    releaseBlock(absolute);
    if (!directory) {
        reportInternal(
            translateText("Internal Error", "Cannot split the restriction path %1").arg(QString::fromLocal8Bit(value)));
    }
    char *joined = joinPath(directory->text, name ? name->text : "");
    _AlphaType *prefix = nullptr;
    if (fileExists(joined)) {
        prefix = FindOrAddAlpha(joined);
    } else {
        size_t length = std::strlen(joined);
        char *marked = static_cast<char *>(allocZeroed(length + 2));
        std::memcpy(marked, joined, length);
        marked[length] = '/';
        prefix = FindOrAddAlpha(marked);
        releaseBlock(marked);
    }
    releaseBlock(joined);
    return prefix;
}

void collectRestrictions(RunSettings *settings, int position)
{
    CountedListBuilder prefixes(&settings->restrictPrefixes);
    for (const ValueNode *value = optionValue(position, 1); value; value = value->next)
        prefixes.add(restrictionPrefix(value->text));
}

}  // namespace

CommandTable *toolCommandTable() { return &tarsk1Table; }

bool decodeOptions(int *argc, char ***argv, RunSettings *settings)
{
    selectCommandTable(&tarsk1Table);
    if (expandArguments(argc, argv) != 0) return false;
    if (decodeCommand(*argc, *argv) != 0) return false;

    settings->metricsDirectory = ".";
    settings->fileListDirectives = nullptr;
    settings->inputFiles = nullptr;
    collectInputFiles(settings);

    requireEnv("MVRTGT", true);

    // A log option without a value opens no log at all.
    int log = optionState("VANTEL_LOG");
    if (log > 0 && firstValue(log)) openToolLog(firstValue(log)->text);

    int metrics = optionState("METRICS");
    if (metrics > 0) settings->metricsDirectory = firstValue(metrics) ? firstValue(metrics)->text : nullptr;

    settings->restrictPrefixes = nullptr;
    int restriction = optionState("RESTRICT_METRICS");
    if (restriction > 0) collectRestrictions(settings, restriction);
    return true;
}
