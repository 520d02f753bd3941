// A compilation database entry's command line: splitting a shell-quoted
// command, telling C units from others, and turning the compile command into
// the preprocessing command of the same unit.
#pragma once

#include <QString>
#include <QStringList>

namespace command {

// Splits a command the way a POSIX shell splits words (blanks, '...', "...",
// backslash). False with a reason for an unterminated quote or escape.
bool splitShellWords(const QString &text, QStringList &words, QString &problem);

// True when the compiler is gcc-compatible (cc, gcc, clang and their
// prefixed or versioned names, behind ccache) and the source is C.
bool isCUnit(const QStringList &arguments, const QString &file);

// The compile command with every output option removed and "-c" replaced by
// "-E", writing the preprocessed text to iFile and its dependencies to depFile.
QStringList preprocessCommand(const QStringList &arguments, const QString &iFile, const QString &depFile);

}  // namespace command
