// Terminal output of tarsk1-project: messages on the standard error stream,
// the in-place progress line, and the quiet and verbose levels.
#pragma once

#include <QString>

namespace console {

enum class Level { Quiet, Normal, Verbose };

void setLevel(Level level);
Level level();

void error(const QString &text);    // always shown
void warning(const QString &text);  // hidden by --quiet
void info(const QString &text);     // hidden by --quiet
void detail(const QString &text);   // only with --verbose
void out(const QString &text);      // standard output, unprefixed

// One status line rewritten in place; only when standard error is a
// terminal and the level is not quiet.
void progress(int done, int total, const QString &what);
void endProgress();

}  // namespace console
