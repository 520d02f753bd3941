// The message service: level templates and exit codes, message counts, the
// crash handler, environment lookup, the tool log, allocation and the
// loading of translations. Every diagnostic and every exit passes here.
#include "support/machine.h"

#include "support/platform.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <sys/resource.h>
#include <sys/stat.h>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>
#include <unistd.h>

namespace {

QString productName = QStringLiteral("Corvel");
QString executableName = QStringLiteral("<unnamed binary>");
int errorCount = 0;
int warningCount = 0;
bool crashHandlerInstalled = false;
const char *logFileName = nullptr;
int logDescriptor = -1;
bool logCloseRegistered = false;
ExitHook exitHook = nullptr;
// The code of the exit under way, once terminateProgram has been called.
int endingCode = 0;

// Held from the start and given back before "No memory left" is composed:
// the message needs memory of its own, and the failing request has just
// shown that there is none.
constexpr std::size_t kMemoryReserveBytes = 4u << 20;
void *memoryReserve = nullptr;
bool reportingNoMemory = false;
// Set when the end comes from inside code that may hold a library's lock
// (a failed allocation, an exception nobody catches, a crash): the library's
// own exit-time clean-up could then wait on that lock for ever, so only the
// program's quick-exit actions run.
bool endQuickly = false;

// The crash text is composed ahead of time: a crash may hit inside the
// allocator or with the C stack exhausted, where building Qt strings is
// no longer safe.
std::string crashText;

constexpr const char *kTranslationPrefixes[] = {
    "tarsk1_", "common_", "cab_", "crvlident_", "writeMetricsApi_",
};
constexpr int kTranslatorCount = sizeof kTranslationPrefixes / sizeof kTranslationPrefixes[0];
QTranslator *translators[kTranslatorCount] = {};
QString checkedLocaleDirectory;  // set by localeDirectory, read by installTranslations

// A translation that lost a placeholder must not make Qt complain on its
// own; the text is then used as it stands.
QString substitute(const QString &text, const QString &value)
{
    for (qsizetype i = text.indexOf(QLatin1Char('%')); i >= 0 && i + 1 < text.size();
         i = text.indexOf(QLatin1Char('%'), i + 1)) {
        if (text.at(i + 1).isDigit()) return text.arg(value);
    }
    return text;
}

QString composeLevel(const char *levelTemplate, const char *comment)
{
    QString text = translateText("Display Message", levelTemplate, comment);
    text = substitute(text, productName);
    return substitute(text, executableName);
}

QString composeLevel(const char *levelTemplate, const char *comment, const QString &message)
{
    return substitute(composeLevel(levelTemplate, comment), message);
}

// Written with its length: a message that quotes input may hold a NUL byte,
// which a "%s" would take for the end and drop the line feed after it.
void writeToStderr(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
}

const char *const kInternalTemplate = "%1 %2 - INTERNAL ERROR: %3\n";
const char *const kInternalComment =
    "Used for internal error message\n%1: product name\n%2: executable name\n%3: message to display";

QString internalText(const QString &message)
{
    return composeLevel(kInternalTemplate, kInternalComment, message) + QLatin1Char('\n');
}

void refreshCrashText()
{
    crashText =
        internalText(translateText("Internal Error", "Please, contact your support")).toLocal8Bit().toStdString();
}

extern "C" void onCrash(int)
{
    endQuickly = true;
    writeWhole(STDERR_FILENO, crashText.data(), crashText.size());
    terminateProgram(9);
}

void installCrashHandler()
{
    // The handler needs its own stack: after a C-stack overflow the faulting
    // stack has no room left for it to run.
    static char alternateStack[256 * 1024];
    stack_t ss = {};
    ss.ss_sp = alternateStack;
    ss.ss_size = sizeof alternateStack;
    ss.ss_flags = 0;
    if (sigaltstack(&ss, nullptr) != 0) {
        reportInternal(translateText("Internal Error", "Cannot install the crash handler"));
    }
    struct sigaction action = {};
    action.sa_handler = onCrash;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    // An abort (a library giving up) is a crash like any other.
    if (sigaction(SIGSEGV, &action, nullptr) != 0 || sigaction(SIGABRT, &action, nullptr) != 0) {
        reportInternal(translateText("Internal Error", "Cannot install the crash handler"));
    }
}

void closeToolLog()
{
    if (logDescriptor >= 0) {
        ::close(logDescriptor);
        logDescriptor = -1;
    }
}

// The warnings of the file being read, by kind; kinds in order of their
// first warning.
struct FileWarnings {
    std::unordered_map<std::string, int> byKind;
    std::vector<std::string> order;
    std::pair<const std::string, int> *last = nullptr;  // a kind comes in runs
};
FileWarnings fileWarnings;

int &warningsOfKind(const char *kind)
{
    FileWarnings &w = fileWarnings;
    if (w.last && w.last->first == kind) return w.last->second;
    auto [slot, added] = w.byKind.emplace(kind, 0);
    if (added) w.order.push_back(kind);
    w.last = &*slot;
    return slot->second;
}

void writeWarning(const QString &message)
{
    writeToStderr(composeLevel("%1 %2 - WARNING: %3\n",
                               "Used for warning messages\n%1: product name\n%2: executable name\n%3: message",
                               message));
}

void warnLogUnwritable(int error)
{
    const char *const text = "Cannot append to Vantel Log File: %1 %2";
    reportWarning(translateText("User Warning", text, "%1: is the log file name\n%2 a system error message")
                      .arg(QString::fromLocal8Bit(logFileName), QString::fromLocal8Bit(std::strerror(error))),
                  text);
}

// Whether a record of that size still fits under the file-size limit: a
// write past it would land only in part.
bool logRecordFits(std::size_t size)
{
    rlimit limit;
    struct stat st;
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return true;
    return ::fstat(logDescriptor, &st) == 0 && rlim_t(st.st_size) + size <= limit.rlim_cur;
}

void onNewFailure() { reportNoMemory(); }

// An exception that nobody catches: the one a library throws when it cannot
// allocate is running out of memory; any other cannot happen.
void onUncaughtException()
{
    endQuickly = true;
    if (std::exception_ptr exception = std::current_exception()) {
        try {
            std::rethrow_exception(exception);
        } catch (const std::bad_alloc &) {
            reportNoMemory();
        } catch (...) {}
    }
    reportInternal(translateText("Internal Error", "Please, contact your support"));
}

[[noreturn]] void exitWithFixedText(const QByteArray &text)
{
    std::fprintf(stderr, "%s", text.constData());
    terminateProgram(1);
}

}  // namespace

QString translateText(const char *context, const char *sourceText, const char *comment)
{
    return QCoreApplication::translate(context, sourceText, comment);
}

void reportFatal(const QString &message)
{
    writeToStderr(composeLevel(
        "%1 %2 - FATAL ERROR: %3\n",
        "Used for fatal error message\n%1: product name\n%2: executable name\n%3: message to display", message));
    terminateProgram(7);
}

void reportInternal(const QString &message)
{
    writeToStderr(internalText(message));
    terminateProgram(9);
}

void reportPanic()
{
    writeToStderr(composeLevel("%1 %2: Cannot recover from earlier errors ...\n",
                               "Used to display Panic Error messages\n%1: product name\n%2: executable name"));
    terminateProgram(7);
}

void reportError(const QString &message)
{
    writeToStderr(composeLevel(
        "%1 %2 - ERROR: %3\n",
        "Used for user errors messages\n%1: product name\n%2: executable name\n%3: message to display", message));
    ++errorCount;
}

void reportWarning(const QString &message, const char *kind)
{
    ++warningCount;
    if (++warningsOfKind(kind) > kShownWarnings) return;
    writeWarning(message);
}

bool warningLeftOut(const char *kind)
{
    int &count = warningsOfKind(kind);
    if (count < kShownWarnings) return false;
    ++count;
    ++warningCount;
    return true;
}

void closeWarningFile(const char *file)
{
    for (const std::string &kind : fileWarnings.order) {
        const int leftOut = fileWarnings.byKind[kind] - kShownWarnings;
        if (leftOut <= 0) continue;
        QString shape = translateText("User Warning", kind.c_str());
        shape.replace(QRegularExpression(QStringLiteral("%\\d+")), QStringLiteral("..."));
        writeWarning(translateText("User Warning", "%1 more warnings of the kind \"%2\" in %3 were not shown",
                                   "%1: how many, %2: the warning without its values, %3: the file")
                         .arg(QString::number(leftOut), shape, QString::fromLocal8Bit(file ? file : "")));
    }
    fileWarnings = FileWarnings();
}

void messageCounts(int &errors, int &warnings)
{
    errors = errorCount;
    warnings = warningCount;
}

void resetMessageCounts()
{
    errorCount = 0;
    warningCount = 0;
    fileWarnings = FileWarnings();
}

void setToolIdentity(const QString &product, const QString &executable)
{
    productName = product;
    executableName = executable;
    refreshCrashText();
    if (!crashHandlerInstalled) {
        crashHandlerInstalled = true;
        installCrashHandler();
    }
}

const char *requireEnv(const char *name, bool mandatory)
{
    const char *value = std::getenv(name);
    if (!value && mandatory) {
        reportFatal(translateText("Assertion", "Environment variable not defined: %1", "%1 is the variable name")
                        .arg(QString::fromLocal8Bit(name)));
    }
    return value;
}

void openToolLog(const char *fileName)
{
    if (!fileName || !*fileName) return;
    closeToolLog();
    logFileName = fileName;
    logDescriptor = openForAppending(fileName);
    if (logDescriptor < 0) {
        warnLogUnwritable(errno);
        return;
    }
    if (!logCloseRegistered) {
        logCloseRegistered = true;
        std::atexit(closeToolLog);
    }
}

std::string toolLogRecord(const char *tag, const char *text) { return std::string(tag) + ' ' + text + '\n'; }

// One record, one write on a descriptor opened for appending: a record is
// never torn, and never mixed with those of another process appending to
// the same log. After a record that cannot be written whole the run goes on
// without a log, as when the log cannot be opened.
void writeToolLogRecord(const std::string &record)
{
    if (logDescriptor < 0) return;
    ssize_t written = -1;
    errno = EFBIG;
    if (logRecordFits(record.size())) {
        do {
            written = ::write(logDescriptor, record.data(), record.size());
        } while (written < 0 && errno == EINTR);
    }
    if (written == static_cast<ssize_t>(record.size())) return;
    warnLogUnwritable(written < 0 ? errno : ENOSPC);
    closeToolLog();
}

void installProcessGuards()
{
    if (!memoryReserve) memoryReserve = std::malloc(kMemoryReserveBytes);
    std::set_new_handler(onNewFailure);
    std::set_terminate(onUncaughtException);
    // A write beyond the file-size limit or into a closed pipe fails like any
    // other write, and is reported as such instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

void reportNoMemory()
{
    endQuickly = true;
    std::free(memoryReserve);
    memoryReserve = nullptr;
    if (reportingNoMemory) {
        // Even the message ran out: say it in the words that need nothing.
        static const char kText[] = "No memory left\n";
        writeWhole(STDERR_FILENO, kText, sizeof kText - 1);
        terminateProgram(7);
    }
    reportingNoMemory = true;
    reportFatal(translateText("Fatal Error", "No memory left", "program failed on memory allocation"));
}

void *allocZeroed(std::size_t size)
{
    // A zero-byte request still yields a distinct block, never null.
    void *block = std::calloc(1, size ? size : 1);
    if (!block) reportNoMemory();
    return block;
}

void *resizeBlock(void *block, std::size_t size)
{
    if (!block) return allocZeroed(size);
    void *resized = std::realloc(block, size ? size : 1);
    if (!resized) reportNoMemory();
    return resized;
}

void releaseBlock(void *block) { std::free(block); }

QString localeDirectory()
{
    const QString root = QString::fromLocal8Bit(qgetenv("CORVELDIR"));
    if (root.isEmpty()) exitWithFixedText("Fatal Error: please setup CORVELDIR environment variable.\n");
    const QString path = root + QLatin1Char('/') + QLatin1String("lib") + QLatin1Char('/') + QLatin1String("locale");
    bool isDirectory = false;
    const QByteArray local = path.toLocal8Bit();
    if (!statPath(local.constData(), &isDirectory) || !isDirectory) {
        exitWithFixedText("Fatal Error: directory doesn't exist '" + local + "'\n");
    }
    checkedLocaleDirectory = path;
    return path;
}

void installTranslations()
{
    removeTranslations();  // a second call replaces the first set
    if (checkedLocaleDirectory.isEmpty()) localeDirectory();
    const QString directory =
        QString::fromLocal8Bit(hostPath(checkedLocaleDirectory.toLocal8Bit().constData()).c_str());
    const QString localeName = QLocale::system().name();
    for (int i = 0; i < kTranslatorCount; ++i) {
        translators[i] = new QTranslator;
        if (translators[i]->load(QLatin1String(kTranslationPrefixes[i]) + localeName, directory)) {
            QCoreApplication::installTranslator(translators[i]);
        }
    }
    refreshCrashText();
}

void removeTranslations()
{
    for (int i = kTranslatorCount - 1; i >= 0; --i) {
        delete translators[i];
        translators[i] = nullptr;
    }
    refreshCrashText();
}

void setExitHook(ExitHook hook) { exitHook = hook; }

void terminateProgram(int code)
{
    if (exitHook) {
        exitHook(code);
        // A hook that comes back breaks the promise that a message level ends
        // the program; stopping hard is the only honest answer.
        std::abort();
    }
    endingCode = code;
    if (endQuickly) std::quick_exit(code);
    std::exit(code);
}

// A sanitized build checks for leaks when the process ends. A message level
// that ends the program leaves its blocks to the system, as a crash would;
// only a normal end has to give back everything it took.
extern "C" int __lsan_is_turned_off() { return endingCode != 0; }

void reportScannerFailure(const char *text)
{
    std::fprintf(stderr, "%s\n", text);
    terminateProgram(2);
}
