// The run sequence of tarsk1: start-up (translations, message identity), the
// version answer, option decoding, the per-file pipeline (definition file,
// source file, error check, metrics, tree release), writing and release.
#include "driver/runsequence.h"

#include "driver/argstarsk1.h"
#include "driver/runlifecycle.h"
#include "frontend/arbre.h"
#include "frontend/definitionfile.h"
#include "frontend/stx_c.h"
#include "frontend/stx_c_actions.h"
#include "metfile/writeMetricsApi.h"
#include "metrics/metgen.h"
#include "support/alpha.h"
#include "support/files.h"
#include "support/machine.h"

#include <QCoreApplication>
#include <QDate>
#include <QTime>

#include <cstdio>
#include <cstring>

namespace {

const char *const kVersion = "8.0.1.1.163.015";
const char *const kBuildNumber = "163.015";

void printBannerLine(const QString &line) { std::fputs(line.toLocal8Bit().constData(), stdout); }

[[noreturn]] void printVersionAndExit()
{
    const QString prefix, suffix;
    printBannerLine(translateText("Version", "%1 %2 %3 %4 %5\n", "%1 is a prefix, %2 a product name, %3 a module name")
                        .arg(prefix, translateText("CRVLIdent", "Orvane Corvel"),
                             translateText("Version", "C Metrics Generator"), QLatin1String(kVersion), suffix));
    printBannerLine(
        translateText("Version", "%1 Build Number: %2 %3\n", "%1 is a prefix, %2 a build number, %3 a suffix")
            .arg(prefix, QLatin1String(kBuildNumber), suffix));
    printBannerLine(
        translateText("Version", "%1   Date : %2 %3 %4\n", "%1 is a prefix, %2 a date, %3 a time, %4 a suffix")
            .arg(prefix, QDate(2015, 6, 12).toString(Qt::ISODate), QTime(1, 38).toString(Qt::ISODate), suffix));
    printBannerLine(translateText("Version", "%1    OS : %2 %3\n",
                                  "%1 is a string prefix, %2 the operating system name, %3 a string suffix")
                        .arg(prefix, translateText("Version", "ms-dos", "Operating system name"), suffix));
    terminateProgram(0);
}

// A lone argument that abbreviates "-VERSION" to at least two characters.
bool isVersionRequest(int argc, char **argv)
{
    if (argc != 2) return false;
    static const char kWord[] = "-VERSION";
    const char *argument = argv[1];
    size_t length = std::strlen(argument);
    if (length < 2 || length > sizeof kWord - 1) return false;
    for (size_t i = 0; i < length; ++i) {
        char c = argument[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != kWord[i]) return false;
    }
    return true;
}

char *definitionFilePath(const char *targetDirectory)
{
    char *ana = joinPath(targetDirectory, "ana");
    char *path = joinPath(ana, "mvct.def");
    releaseBlock(ana);
    return path;
}

void analyseFile(const char *source, const char *definitionFile, RunSettings &settings, MetFileEntry **metrics)
{
    if (ParseDefinitionFile(definitionFile, &settings.fileListDirectives) != 0) {
        reportFatal(translateText("Assertion", "Syntax errors in standard definition file %1", "%1 is the filename")
                        .arg(QString::fromLocal8Bit(definitionFile)));
    }
    // Each definition is measured as soon as it is parsed and its tree freed:
    // the tree of a large input would be many times its size.
    SyntaxNode *tree = nullptr;
    SetDefinitionSink(measureDefinition);
    const uint16_t syntaxErrors = ParseFile(source, false, &tree, &settings.fileListDirectives, nullptr);
    SetDefinitionSink(nullptr);
    if (syntaxErrors != 0) {
        reportFatal(translateText("Assertion", "Syntax errors in source file, static analysis cancelled"));
    }
    int errors = 0, warnings = 0;
    messageCounts(errors, warnings);
    if (errors != 0) {
        reportFatal(translateText("Assertion", "Semantic errors in source file %1", "%1 is the filename")
                        .arg(QString::fromLocal8Bit(source)));
    }
    computeFileMetrics(tree, metrics, settings.restrictPrefixes, settings.fileListDirectives);
    FreeTree(tree);
}

}  // namespace

int runSequence(int argc, char **argv)
{
    installProcessGuards();
    // Only carries the translators; Qt takes out the options it knows itself.
    QCoreApplication application(argc, argv);
    localeDirectory();
    installTranslations();
    setToolIdentity(QStringLiteral("Corvel"), QStringLiteral("tarsk1"));

    if (isVersionRequest(argc, argv)) printVersionAndExit();

    beginRun();
    // The decoder gets its own count and vector: Qt keeps a reference to argc.
    int decodedCount = argc;
    char **decodedVector = argv;
    RunSettings settings = {};
    if (!decodeOptions(&decodedCount, &decodedVector, &settings)) {
        reportFatal(translateText("Assertion", "Error(s) in command line"));
    }
    const char *targetDirectory = requireEnv("MVRTGT", true);
    char *definitionFile = definitionFilePath(targetDirectory);

    MetFileEntry *metrics = nullptr;
    for (CountedList *input = settings.inputFiles; input; input = input->next) {
        analyseFile(static_cast<_AlphaType *>(input->item)->text, definitionFile, settings, &metrics);
    }
    const int unwritten = writeMetricsFiles(settings.metricsDirectory, metrics);
    releaseBlock(definitionFile);
    endRun(settings);
    // Every file was tried and logged; a run that lost any is no success.
    if (unwritten > 0) {
        reportFatal(translateText("Assertion", "%1 metrics file(s) could not be written", "%1 is the number of files")
                        .arg(unwritten));
    }
    removeTranslations();
    return 0;
}
