// The stores behind the accept, reduce and replacement pragmas: accept codes,
// accepted sequences with their terminators, pragma and directive
// replacements. Newest record first; they live for the whole run.
#pragma once

struct _AlphaType;
struct AcceptedSequence;  // one accepted-sequence record

void InitAcceptTables();
void FreeAcceptTables();

void AddAcceptCode(_AlphaType *entry, int code);
int AcceptCode(_AlphaType *entry);

void AddAcceptedSequence(_AlphaType *entry, bool upTo);
void AddSequenceTerminator(int code);
// Finds the newest record of the entry, makes it the cursor and returns it;
// its up_to flag through upTo. Each running sequence keeps its own record.
AcceptedSequence *BeginAcceptedSequence(_AlphaType *entry, bool *upTo);
bool IsSequenceTerminator(const AcceptedSequence *sequence, int code);
// Terminator test against the cursor record.
bool IsSequenceTerminator(int code);

void AddPragmaReplacement(const char *name, const char *text);
bool HasPragmaReplacements();
bool FindPragmaReplacement(const char *name, const char **text);
void AddDirectiveReplacement(const char *name, const char *text);
bool HasDirectiveReplacements();
bool FindDirectiveReplacement(const char *name, const char **text);
