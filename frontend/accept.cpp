// The stores behind the accept, reduce and replacement pragmas. Plain lists,
// newest record first, so a later pragma for the same name is found first;
// the replacement lists also index their newest record by name.
#include "frontend/accept.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "support/alpha.h"
#include "support/machine.h"

namespace {

struct AcceptCodeRecord {
    _AlphaType *entry;
    uint32_t code;
    AcceptCodeRecord *next;
};

struct Terminator {
    uint32_t code;
    Terminator *next;
};

struct AcceptedSequence {
    _AlphaType *entry;
    Terminator *terminators;
    uint8_t upTo;
    AcceptedSequence *next;
};

struct Replacement {
    char *name;
    char *text;  // ends with a line feed
    Replacement *next;
};

// A replacement list with the newest record of each name found at once:
// a file may register and use tens of thousands of names.
struct ReplacementTable {
    Replacement *head = nullptr;
    std::unordered_map<std::string_view, const Replacement *> newest;
};

AcceptCodeRecord *acceptCodes = nullptr;
AcceptedSequence *sequences = nullptr;
AcceptedSequence *cursor = nullptr;
ReplacementTable pragmaReplacements;
ReplacementTable directiveReplacements;

template <typename T>
T *newRecord()
{
    return static_cast<T *>(allocZeroed(sizeof(T)));
}

char *copyText(const char *text, bool withLineFeed)
{
    std::size_t length = std::strlen(text);
    auto *copy = static_cast<char *>(allocZeroed(length + 2));
    std::memcpy(copy, text, length);
    if (withLineFeed) copy[length] = '\n';
    return copy;
}

void addReplacement(ReplacementTable &table, const char *name, const char *text)
{
    auto *record = newRecord<Replacement>();
    record->name = copyText(name, false);
    record->text = copyText(text, true);
    record->next = table.head;
    table.head = record;
    table.newest[record->name] = record;
}

bool findReplacement(const ReplacementTable &table, const char *name, const char **text)
{
    auto found = table.newest.find(name);
    *text = found == table.newest.end() ? nullptr : found->second->text;
    return *text != nullptr;
}

void freeReplacements(ReplacementTable &table)
{
    table.newest.clear();
    for (Replacement *r = table.head; r;) {
        Replacement *next = r->next;
        releaseBlock(r->name);
        releaseBlock(r->text);
        releaseBlock(r);
        r = next;
    }
    table.head = nullptr;
}

[[noreturn]] void internalError(const char *text) { reportInternal(translateText("Internal Error", text)); }

}  // namespace

void InitAcceptTables() { FreeAcceptTables(); }

void FreeAcceptTables()
{
    for (AcceptCodeRecord *r = acceptCodes; r;) {
        AcceptCodeRecord *next = r->next;
        releaseBlock(r);
        r = next;
    }
    acceptCodes = nullptr;
    for (AcceptedSequence *s = sequences; s;) {
        AcceptedSequence *next = s->next;
        for (Terminator *t = s->terminators; t;) {
            Terminator *tnext = t->next;
            releaseBlock(t);
            t = tnext;
        }
        releaseBlock(s);
        s = next;
    }
    sequences = nullptr;
    cursor = nullptr;
    freeReplacements(pragmaReplacements);
    freeReplacements(directiveReplacements);
}

void AddAcceptCode(_AlphaType *entry, uint32_t code)
{
    if (!entry) return;
    auto *record = newRecord<AcceptCodeRecord>();
    record->entry = entry;
    record->code = code;
    record->next = acceptCodes;
    acceptCodes = record;
}

uint32_t AcceptCode(_AlphaType *entry)
{
    if (!entry) internalError("Attempt to find bad alpha");
    for (const AcceptCodeRecord *r = acceptCodes; r; r = r->next)
        if (r->entry == entry) return r->code;
    internalError("Attempt to find unexisting pragma mevra accept =");
}

void AddAcceptedSequence(_AlphaType *entry, bool upTo)
{
    if (!entry) return;
    auto *record = newRecord<AcceptedSequence>();
    record->entry = entry;
    record->upTo = upTo ? 1 : 0;
    record->next = sequences;
    sequences = record;
}

void AddSequenceTerminator(uint32_t code)
{
    if (!sequences) internalError("Attempt to find unexisting pragma mevra accept");
    auto *cell = newRecord<Terminator>();
    cell->code = code;
    cell->next = sequences->terminators;
    sequences->terminators = cell;
}

bool BeginAcceptedSequence(_AlphaType *entry)
{
    if (!entry) internalError("Attempt to find bad alpha");
    for (AcceptedSequence *s = sequences; s; s = s->next) {
        if (s->entry == entry) {
            cursor = s;
            return s->upTo != 0;
        }
    }
    internalError("Attempt to find unexisting pragma mevra accept");
}

bool IsSequenceTerminator(int code)
{
    if (!cursor || code < 0) return false;
    for (const Terminator *t = cursor->terminators; t; t = t->next)
        if (t->code == static_cast<uint32_t>(code)) return true;
    return false;
}

void AddPragmaReplacement(const char *name, const char *text) { addReplacement(pragmaReplacements, name, text); }

bool HasPragmaReplacements() { return pragmaReplacements.head != nullptr; }

bool FindPragmaReplacement(const char *name, const char **text)
{
    return findReplacement(pragmaReplacements, name, text);
}

void AddDirectiveReplacement(const char *name, const char *text) { addReplacement(directiveReplacements, name, text); }

bool HasDirectiveReplacements() { return directiveReplacements.head != nullptr; }

bool FindDirectiveReplacement(const char *name, const char **text)
{
    return findReplacement(directiveReplacements, name, text);
}
