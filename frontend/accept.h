// The stores behind the accept, reduce and replacement pragmas: accept codes,
// accepted sequences with their terminators, pragma and directive
// replacements. Newest record first; they live for the whole run.
#pragma once

#include <cstdint>

struct _AlphaType;

void InitAcceptTables();
void FreeAcceptTables();

// Codes are the unsigned 32-bit numbers of the pragmas, whatever the parser
// can take; the scanner decides what reaches the grammar.
void AddAcceptCode(_AlphaType *entry, uint32_t code);
uint32_t AcceptCode(_AlphaType *entry);

void AddAcceptedSequence(_AlphaType *entry, bool upTo);
void AddSequenceTerminator(uint32_t code);
// Finds the newest record of the entry, makes it the cursor and returns its
// up_to flag. There is one cursor: a sequence opened inside another one
// makes its own record the one every later terminator test asks.
bool BeginAcceptedSequence(_AlphaType *entry);
// Terminator test against the cursor record (a token code, never negative).
bool IsSequenceTerminator(int code);

void AddPragmaReplacement(const char *name, const char *text);
bool HasPragmaReplacements();
bool FindPragmaReplacement(const char *name, const char **text);
void AddDirectiveReplacement(const char *name, const char *text);
bool HasDirectiveReplacements();
bool FindDirectiveReplacement(const char *name, const char **text);
