// Terminal output of tarsk1-project (see console.h).
#include "project/console.h"

#include <cstdio>
#include <unistd.h>

namespace console {

static Level current = Level::Normal;
static bool progressShown = false;

void setLevel(Level level) { current = level; }
Level level() { return current; }

static void clearProgress()
{
    if (!progressShown) return;
    std::fputs("\r\033[K", stderr);
    progressShown = false;
}

static void toStderr(const char *prefix, const QString &text)
{
    clearProgress();
    std::fprintf(stderr, "tarsk1-project: %s%s\n", prefix, text.toLocal8Bit().constData());
}

void error(const QString &text) { toStderr("error: ", text); }

void warning(const QString &text)
{
    if (current != Level::Quiet) toStderr("warning: ", text);
}

void info(const QString &text)
{
    if (current != Level::Quiet) toStderr("", text);
}

void detail(const QString &text)
{
    if (current == Level::Verbose) toStderr("", text);
}

void out(const QString &text)
{
    clearProgress();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void progress(int done, int total, const QString &what)
{
    static const bool terminal = isatty(fileno(stderr));
    if (!terminal || current == Level::Quiet) return;
    const int width = QString::number(total).size();
    std::fprintf(stderr, "\r[%*d/%d] %s\033[K", width, done, total, what.toLocal8Bit().constData());
    std::fflush(stderr);
    progressShown = true;
}

void endProgress() { clearProgress(); }

}  // namespace console
