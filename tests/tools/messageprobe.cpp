// Test helper: runs a list of message-service actions given on the command
// line, so that tests can watch stderr, stdout and the exit code of a real
// process. Example: messageprobe identity Corvel tarsk1 warning w fatal f
#include "support/machine.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/mman.h>
#include <string>

namespace {

// Deep enough to exhaust any default C stack; the frame array keeps the
// compiler from turning the recursion into a loop.
int recurse(int depth)
{
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (depth < 0) return 0;  // never: only here so the recursion is not flagged as endless
    return recurse(depth + 1) + frame[0];
}

QString arg(char **argv, int &i, int argc)
{
    if (i + 1 >= argc) {
        std::fprintf(stdout, "missing argument\n");
        std::exit(100);
    }
    return QString::fromLocal8Bit(argv[++i]);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string action = argv[i];
        if (action == "identity") {
            QString product = arg(argv, i, argc);
            setToolIdentity(product, arg(argv, i, argc));
        } else if (action == "locale") {
            std::printf("%s\n", localeDirectory().toLocal8Bit().constData());
            installTranslations();
        } else if (action == "fatal") {
            reportFatal(arg(argv, i, argc));
        } else if (action == "internal") {
            reportInternal(arg(argv, i, argc));
        } else if (action == "panic") {
            reportPanic();
        } else if (action == "error") {
            reportError(arg(argv, i, argc));
        } else if (action == "warning") {
            const QByteArray text = arg(argv, i, argc).toLocal8Bit();
            reportWarning(QString::fromLocal8Bit(text), text.constData());
        } else if (action == "warnings") {
            const int n = arg(argv, i, argc).toInt();
            const QByteArray text = arg(argv, i, argc).toLocal8Bit();
            for (int k = 0; k < n; ++k) reportWarning(QString::fromLocal8Bit(text), text.constData());
        } else if (action == "closefile") {
            closeWarningFile(arg(argv, i, argc).toLocal8Bit().constData());
        } else if (action == "counts") {
            int errors = -1, warnings = -1;
            messageCounts(errors, warnings);
            std::printf("errors=%d warnings=%d\n", errors, warnings);
        } else if (action == "envfatal") {
            requireEnv(arg(argv, i, argc).toLocal8Bit().constData(), true);
        } else if (action == "env") {
            const char *value = requireEnv(arg(argv, i, argc).toLocal8Bit().constData(), false);
            std::printf("%s\n", value ? value : "(none)");
        } else if (action == "log") {
            static QByteArray name;  // the service borrows the name for the whole run
            name = arg(argv, i, argc).toLocal8Bit();
            openToolLog(name.constData());
        } else if (action == "write") {
            QByteArray tag = arg(argv, i, argc).toLocal8Bit();
            writeToolLogRecord(toolLogRecord(tag.constData(), arg(argv, i, argc).toLocal8Bit().constData()));
        } else if (action == "translate") {
            QByteArray context = arg(argv, i, argc).toLocal8Bit();
            QByteArray source = arg(argv, i, argc).toLocal8Bit();
            reportWarning(translateText(context.constData(), source.constData()), source.constData());
        } else if (action == "nomem") {
            allocZeroed(SIZE_MAX / 2);
        } else if (action == "regrow") {
            void *block = resizeBlock(nullptr, 16);
            resizeBlock(block, SIZE_MAX / 2);
        } else if (action == "scanner") {
            reportScannerFailure(arg(argv, i, argc).toLocal8Bit().constData());
        } else if (action == "segv") {
            // A page that may not be touched: a real fault, yet no null store
            // for a sanitizer to stop at first.
            void *page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            *static_cast<volatile int *>(page) = 1;
        } else if (action == "overflow") {
            std::printf("%d\n", recurse(0));
        } else {
            std::printf("unknown action %s\n", argv[i]);
            return 100;
        }
    }
    return 0;
}
