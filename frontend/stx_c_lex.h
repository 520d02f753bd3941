// The C scanner: turns one preprocessed C file into the token stream the
// grammar pulls, keeps positions, hands directive lines on and applies the
// meanings that pragmas attach to identifiers.
#pragma once

#include <QString>
#include <cstdint>
#include <cstdio>

#include "frontend/arbre.h"
#include "frontend/kinds.h"

struct _AlphaType;

// The scanner's position and mode, one instance for the whole program.
// Directive handlers run after the counters have moved past their line, so
// the directive's own line is currentLine - 1.
struct ScannerState {
    int32_t currentLine;   // as set by line markers
    int32_t physicalLine;  // 1 + line breaks read; markers never change it
    int32_t column;        // first column of the latest token or dropped run
    int32_t lastLength;    // its length, grown by what skip routines read
    _AlphaType *currentFile;
    _AlphaType *currentDirectory;
    uint8_t instrOff;          // copied into every token position
    bool analysisStopped;      // silences the lexical-input warning
    bool rawFileNames;         // set by the nointerpret pragma, never reset
    int16_t groupDepthPreset;  // extra depth SkipBalanced starts with
    bool lineStart;            // the next character begins a line
};
ScannerState &Scanner();

// Resets the per-file items: line 1, physical line 1, column 1, last length 0,
// the given file and directory, instr_off, analysis not stopped, no pending span.
void ResetScannerForFile(_AlphaType *file, _AlphaType *directory, bool isDefinitionFile);
void RestartScanner(FILE *stream);
void ReleaseScanner();  // deletes the input buffer after a parse

// The per-file set-up around a scan: opens the path in text mode (the fatal
// "Cannot open input file %1" when that fails), makes its splitSourcePath
// entries the current file and directory, resets the per-file state and
// restarts the scanner on it. CloseScannerFile releases the buffer and closes.
FILE *OpenScannerFile(const char *path, bool isDefinitionFile);
void CloseScannerFile(FILE *stream);

// Handed to the parser for an accept code it cannot take (0 or 256): a code
// the grammar does not declare, so that an ordinary syntax error follows.
enum : int { UNDEFINED_TOKEN = LAST_KIND + 1 };

// Next token code, 0 at end of input; may be called from inside its own processing.
int NextToken();
ParseValue &TokenValue();  // value of the token just returned
const char *TokenText();   // text of the last match
// The token just returned is the identifier that stands for an __extension__
// group opening with a type name, "__extension__ (T)".
bool TypeGroupToken();
int ReadChar();  // next raw character, -1 at end of input
int SkipBalanced(int open, int close);

// "[" + directory + file + "," + line + "]" of the current file: the one
// file-and-line reference of the front end's messages.
QString CurrentReference(int line);
// The reference of the directive line just read (the counters have moved
// past it already).
QString DirectiveReference();
