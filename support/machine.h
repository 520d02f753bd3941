// Messages, translation, the tool log, environment lookup and allocation:
// every diagnostic of the program passes through here.
#pragma once

#include <QString>
#include <cstddef>
#include <string>

// Translation with the three-part key (context, source text, comment).
QString translateText(const char *context, const char *sourceText, const char *comment = nullptr);

// The five message levels. The message is already translated and filled in.
[[noreturn]] void reportFatal(const QString &message);     // exit 7
[[noreturn]] void reportInternal(const QString &message);  // exit 9, followed by an empty line
[[noreturn]] void reportPanic();                           // exit 7
void reportError(const QString &message);                  // counted
// Counted; kind is the untranslated source text of the message. At most
// kShownWarnings of one kind are printed per file.
void reportWarning(const QString &message, const char *kind);
enum { kShownWarnings = 100 };
// Ends the warnings of one file: for each kind with warnings left out, one
// line (not counted) says how many, naming the file.
void closeWarningFile(const char *file);
// For warnings that may come once per input byte: true when a warning of
// this kind would not be shown; it is then counted as left out and the
// caller need not compose it.
bool warningLeftOut(const char *kind);

void messageCounts(int &errors, int &warnings);
// For harnesses that run the program many times in one process.
void resetMessageCounts();
void setToolIdentity(const QString &product, const QString &executable);

// Borrowed pointer into the environment, or nullptr (fatal when mandatory).
const char *requireEnv(const char *name, bool mandatory);

void openToolLog(const char *fileName);
// A log record is made first and written later, so that a writer need not
// take memory at the moment of writing.
std::string toolLogRecord(const char *tag, const char *text);
void writeToolLogRecord(const std::string &record);

// Allocation never returns null: exhaustion is the fatal "No memory left".
void *allocZeroed(std::size_t size);
void *resizeBlock(void *block, std::size_t size);
void releaseBlock(void *block);
[[noreturn]] void reportNoMemory();
// Makes every way the process can run out of memory (operator new, a C++
// exception nobody catches, a library's std::bad_alloc) end as the fatal
// "No memory left", and sets the process-wide signal dispositions. Called
// first thing by the run sequence.
void installProcessGuards();

QString localeDirectory();
void installTranslations();
void removeTranslations();

// Every process end of the program goes through here (exit-time actions run).
// Tests and fuzz targets may install a hook that is called instead of exit();
// the hook must not return (it throws or jumps back into the harness).
using ExitHook = void (*)(int code);
void setExitHook(ExitHook hook);
[[noreturn]] void terminateProgram(int code);

// Failures of a generated scanner's input buffer: the text and a newline on
// the standard error stream, exit code 2.
[[noreturn]] void reportScannerFailure(const char *text);
