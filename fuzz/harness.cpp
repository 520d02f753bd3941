// The bodies of the fuzz targets. The program ends on any fatal message; here
// the message service's exit hook jumps back into the harness instead, which
// then puts the scanners back in a state where the next input can start.
// Each input gets a fresh identifier table and fresh accept tables, so that
// one input never changes the outcome of the next.
#include "fuzz/harness.h"

#include "driver/argstarsk1.h"
#include "driver/runlifecycle.h"
#include "frontend/arbre.h"
#include "frontend/diesis.h"
#include "frontend/stx_c.h"
#include "frontend/stx_c_lex.h"
#include "frontend/stx_c_pragma.h"
#include "metfile/writeMetricsApi.h"
#include "metrics/halstead.h"
#include "metrics/halstead_scan.h"
#include "metrics/metgen.h"
#include "support/alpha.h"
#include "support/machine.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARSK1_LSAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TARSK1_LSAN 1
#endif
#ifdef TARSK1_LSAN
#include <sanitizer/lsan_interface.h>
#endif

// The input streams of the generated scanners: after a jump out of a scan
// they are the files the program would have closed at its exit.
extern FILE *cscan_in;
extern FILE *halstead_in;

namespace fuzz {
namespace {

sigjmp_buf *exitPoint = nullptr;
volatile int exitCode = 0;

void jumpBack(int code)
{
    if (!exitPoint) std::abort();
    exitCode = code;
    siglongjmp(*exitPoint, 1);
}

// Runs body; NORMAL_END, or the code of the exit it attempted.
int guarded(void (*body)(void *), void *context)
{
    sigjmp_buf point;
    sigjmp_buf *outer = exitPoint;
    exitPoint = &point;
    setExitHook(jumpBack);
    int result = NORMAL_END;
    if (sigsetjmp(point, 0) == 0) body(context);
    else result = exitCode;
    exitPoint = outer;
    return result;
}

// One step of a target: body runs the input, recover puts the scanners
// back after a jump out of it, finish releases what the run holds (after
// the body's own end as after a jump).
struct Step {
    void (*body)(void *);
    void (*recover)();
    void (*finish)(void *);
    void *context;
};

int runStep(const Step &step)
{
    int result = guarded(step.body, step.context);
    if (result != NORMAL_END) step.recover();
    step.finish(step.context);
    return result;
}

// An exit leaves whatever the program held at that moment; a real process
// would end there, so those blocks are no leak. A normal end must release
// everything it took, so that input is run a second time with leak
// tracking on.
int runLeakChecked(const Step &step)
{
#ifdef TARSK1_LSAN
    __lsan_disable();
    int result = runStep(step);
    __lsan_enable();
    if (result == NORMAL_END) result = runStep(step);
    return result;
#else
    return runStep(step);
#endif
}

// ---------------------------------------------------------------- scratch

void removeScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all("/tmp/tarsk1-fuzz-" + std::to_string(::getpid()), ignored);
}

const std::string &scratchFolder()
{
    static const std::string folder = [] {
        // Lower case only: the program resolves names without regard to case.
        std::string path = "/tmp/tarsk1-fuzz-" + std::to_string(::getpid());
        ::mkdir(path.c_str(), 0700);
        std::atexit(removeScratchFolder);
        return path;
    }();
    return folder;
}

std::string scratchFile(const char *name) { return scratchFolder() + "/" + name; }

void writeScratch(const std::string &path, const uint8_t *data, std::size_t size)
{
    FILE *out = std::fopen(path.c_str(), "wb");
    if (!out) std::abort();
    if (size && std::fwrite(data, 1, size, out) != size) std::abort();
    std::fclose(out);
}

// ---------------------------------------------------------------- front end

void recoverScanners()
{
    AbandonDirectiveScans();
    if (cscan_in) {
        std::fclose(cscan_in);
        ReleaseScanner();
    }
    if (halstead_in) {
        std::fclose(halstead_in);
        halsteadScanEnd();
    }
}

// What a front-end input holds besides the run's process-wide state.
struct FrontEndRun {
    std::string input;
    int outcome = NORMAL_END;   // the exit the run sequence would take after the parse
    RunSettings settings = {};  // only the directory list of the incl_std pragmas is used
    SyntaxNode *tree = nullptr;
};

void finishFrontEnd(void *context)
{
    FrontEndRun &run = *static_cast<FrontEndRun *>(context);
    FreeTree(run.tree);
    run.tree = nullptr;
    endRun(run.settings);
}

void parseDefinitionFile(FrontEndRun &run)
{
    if (ParseFile(TARSK1_DEFINITION_FILE, true, nullptr, &run.settings.fileListDirectives, nullptr) != 0) std::abort();
}

const std::string &metricsFolder()
{
    static const std::string path = [] {
        std::string p = scratchFile("met");
        ::mkdir(p.c_str(), 0700);
        return p;
    }();
    return path;
}

void grammarBody(void *context)
{
    FrontEndRun &run = *static_cast<FrontEndRun *>(context);
    run.outcome = NORMAL_END;
    beginRun();
    parseDefinitionFile(run);
    int errors = 0, warnings = 0;
    if (ParseFile(run.input.c_str(), false, &run.tree, &run.settings.fileListDirectives, nullptr) != 0) {
        run.outcome = 7;
        return;
    }
    messageCounts(errors, warnings);
    if (errors != 0) {
        run.outcome = 7;
        return;
    }
    // Every file a line marker names is measured, wherever it is: the pass
    // reads regular files only, so a device or a FIFO is refused, not read.
    MetFileEntry *metrics = nullptr;
    computeFileMetrics(run.tree, &metrics, nullptr, run.settings.fileListDirectives);
    FreeTree(run.tree);
    run.tree = nullptr;
    writeMetricsFiles(metricsFolder().c_str(), metrics);
}

void scannerBody(void *context)
{
    FrontEndRun &run = *static_cast<FrontEndRun *>(context);
    beginRun();
    parseDefinitionFile(run);
    SetPragmaFileList(&run.settings.fileListDirectives);
    FILE *stream = OpenScannerFile(run.input.c_str(), false);
    while (NextToken() != 0) {}
    CloseScannerFile(stream);
}

int runFrontEnd(void (*body)(void *), const std::string &input)
{
    FrontEndRun run;
    run.input = input;
    int result = runLeakChecked(Step{body, recoverScanners, finishFrontEnd, &run});
    return result != NORMAL_END ? result : run.outcome;
}

// Lines without a number sign become vendor pragmas, lines that begin with
// a blank stay C text, so that most of the input reaches the handlers.
std::string directiveText(const uint8_t *data, std::size_t size)
{
    std::string text;
    text.reserve(size + size / 4);
    bool lineStart = true;
    for (std::size_t i = 0; i < size; ++i) {
        char c = static_cast<char>(data[i]);
        if (lineStart && c != '#' && c != ' ' && c != '\t' && c != '\n') text += "#pragma mevra ";
        text += c;
        lineStart = c == '\n';
    }
    return text;
}

// ---------------------------------------------------------------- halstead

struct HalsteadRun {
    std::string input;
    RunSettings settings = {};  // empty: only for the end of the run
};

void halsteadBody(void *context)
{
    HalsteadRun &run = *static_cast<HalsteadRun *>(context);
    beginRun();
    HalsteadCounts counts{};
    runHalsteadPass(run.input.c_str(), nullptr, &counts);
}

void finishHalstead(void *context) { endRun(static_cast<HalsteadRun *>(context)->settings); }

// ---------------------------------------------------------------- decoder

struct DecoderRun {
    std::vector<std::string> arguments;
    std::vector<char *> vector;
    RunSettings settings = {};
    int outcome = NORMAL_END;
};

void decoderBody(void *context)
{
    DecoderRun &run = *static_cast<DecoderRun *>(context);
    beginRun();
    run.vector.clear();
    for (std::string &a : run.arguments) run.vector.push_back(&a[0]);
    run.vector.push_back(nullptr);
    int argc = static_cast<int>(run.vector.size()) - 1;
    char **argv = run.vector.data();
    run.settings = RunSettings{};
    // The run sequence turns a failed decoding into its fatal error.
    run.outcome = decodeOptions(&argc, &argv, &run.settings) ? NORMAL_END : 7;
}

void finishDecoder(void *context) { endRun(static_cast<DecoderRun *>(context)->settings); }

void recoverNothing() {}

// Every name the decoder may create or open stays in the scratch folder:
// the environment is replaced by a few known variables and no separator
// may appear in the input.
void prepareDecoderWorld()
{
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    if (::chdir(scratchFolder().c_str()) != 0) std::abort();
    ::clearenv();
    // With its final separator, so that "$MVRTGT" followed by a name stays
    // inside the folder.
    ::setenv("MVRTGT", (scratchFolder() + "/").c_str(), 1);
    ::setenv("EMPTY", "", 1);
    ::setenv("LIST", "a.i,b.i", 1);
    ::setenv("HUGE", std::string(100000, 'x').c_str(), 1);
}

}  // namespace

int runGrammarInput(const uint8_t *data, std::size_t size)
{
    const std::string input = scratchFile("input.c");
    writeScratch(input, data, size);
    return runFrontEnd(grammarBody, input);
}

int runDirectiveInput(const uint8_t *data, std::size_t size)
{
    const std::string text = directiveText(data, size);
    const std::string input = scratchFile("lines.c");
    writeScratch(input, reinterpret_cast<const uint8_t *>(text.data()), text.size());
    return runFrontEnd(scannerBody, input);
}

int runHalsteadInput(const uint8_t *data, std::size_t size)
{
    HalsteadRun run;
    run.input = scratchFile("source.c");
    writeScratch(run.input, data, size);
    return runLeakChecked(Step{halsteadBody, recoverScanners, finishHalstead, &run});
}

int runDecoderInput(const uint8_t *data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        if (data[i] == '/' || data[i] == '\\') return NORMAL_END;
    prepareDecoderWorld();
    const uint8_t *end = data + size;
    const uint8_t *split = static_cast<const uint8_t *>(std::memchr(data, 0, size));
    const uint8_t *argumentsEnd = split ? split : end;
    writeScratch(scratchFile("o"), split ? split + 1 : end, split ? static_cast<std::size_t>(end - split - 1) : 0);

    DecoderRun run;
    run.arguments.push_back("tarsk1");
    const uint8_t *p = data;
    while (p < argumentsEnd) {
        const uint8_t *lineEnd = static_cast<const uint8_t *>(std::memchr(p, '\n', argumentsEnd - p));
        if (!lineEnd) lineEnd = argumentsEnd;
        run.arguments.emplace_back(reinterpret_cast<const char *>(p), lineEnd - p);
        p = lineEnd + 1;
    }
    int result = runLeakChecked(Step{decoderBody, recoverNothing, finishDecoder, &run});
    return result != NORMAL_END ? result : run.outcome;
}

}  // namespace fuzz
