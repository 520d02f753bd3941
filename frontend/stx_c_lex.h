// The C scanner: turns one preprocessed C file into the token stream the
// grammar pulls, keeps positions, hands directive lines on and applies the
// meanings that pragmas attach to identifiers.
#pragma once

#include <cstdint>
#include <cstdio>

#include "frontend/arbre.h"

struct _AlphaType;

struct ScannerState {
    int32_t currentLine;
    int32_t physicalLine;
    int32_t column;
    int32_t lastLength;
    _AlphaType *currentFile;
    _AlphaType *currentDirectory;
    uint8_t instrOff;
    bool analysisStopped;
    bool rawFileNames;       // set by the nointerpret pragma, never reset
    int16_t groupDepthPreset;
    bool lineStart;
};
ScannerState &Scanner();

// Resets the per-file items: line 1, physical line 1, column 1, last length 0,
// the given file and directory, instr_off, analysis not stopped, no pending span.
void ResetScannerForFile(_AlphaType *file, _AlphaType *directory, bool isDefinitionFile);
void RestartScanner(FILE *stream);
void ReleaseScanner();          // deletes the input buffer after a parse

int NextToken();
ParseValue &TokenValue();       // value of the token just returned
const char *TokenText();        // text of the last match
int ReadChar();                 // next raw character, -1 at end of input
int SkipBalanced(int open, int close);

// "[" + directory + file + "," + line + "]" of the current file; new string.
char *CurrentReference(int line);
