// The standard definition file, parsed once per run. Parsing it again before
// every input would redo the same work: its declarations and pragmas mark
// the same entries, register the same accept records and add the same
// directories. So the first parse of a run, made while no entry is marked
// and no directory listed, is watched and, when what it left can be told
// apart from everything else, kept: the flags it gave entries, its
// file-level typedef names and the directories it added. Before a later
// input that state is put back the way a new parse would leave it: the
// typedef names of the previous input forgotten, the kept flags OR-ed in,
// the directories counted once more.
//
// A new parse would give the same result only if nothing it depends on has
// changed, so the kept state serves only while no vendor pragma has been met
// since (those alone change the flags and tables the scanner consults), and
// only if the first parse reported nothing (its messages would be due again),
// opened no block (a block's marks depend on the entries' state at the time),
// entered no file by line marker and left the raw-file-name switch as it was.
// Otherwise the file is parsed before every input, as it would be anyway.
#include "frontend/definitionfile.h"

#include "frontend/diesis.h"
#include "frontend/stx_c.h"
#include "frontend/stx_c_actions.h"
#include "frontend/stx_c_lex.h"
#include "frontend/stx_c_pragma.h"
#include "support/alpha.h"
#include "support/files.h"
#include "support/machine.h"

#include <string>
#include <utility>
#include <vector>

namespace {

// What the process looks like at one moment, as far as the conditions above
// need it.
struct Watch {
    int errors = 0;
    int warnings = 0;
    unsigned blocks = 0;
    unsigned filesEntered = 0;
    bool rawFileNames = false;
};

struct KeptParse {
    bool parsed = false;  // the file was parsed in this run
    bool usable = false;  // and what it left is kept
    std::string path;
    unsigned tableGeneration = 0;
    unsigned pragmasAfter = 0;
    std::vector<std::pair<_AlphaType *, uint32_t>> flags;
    std::vector<_AlphaType *> typedefs;
    std::vector<std::pair<_AlphaType *, int>> directories;
};

KeptParse kept;

Watch watchNow()
{
    Watch w;
    messageCounts(w.errors, w.warnings);
    w.blocks = BlocksOpened();
    w.filesEntered = FilesEntered();
    w.rawFileNames = Scanner().rawFileNames;
    return w;
}

bool leftNothingElse(const Watch &before, const Watch &after)
{
    return before.errors == after.errors && before.warnings == after.warnings && before.blocks == after.blocks &&
           before.filesEntered == after.filesEntered && before.rawFileNames == after.rawFileNames;
}

void noteMarked(_AlphaType *entry, void *anyMarked)
{
    if (entry->flags) *static_cast<bool *>(anyMarked) = true;
}

bool noEntryMarked()
{
    bool anyMarked = false;
    VisitAlphas(noteMarked, &anyMarked);
    return !anyMarked;
}

void keepFlags(_AlphaType *entry, void *)
{
    if (entry->flags) kept.flags.emplace_back(entry, entry->flags);
}

void keep(const char *path, const CountedList *fileList)
{
    kept.usable = true;
    kept.path = path;
    kept.tableGeneration = AlphaTableGeneration();
    kept.pragmasAfter = VendorPragmasHandled();
    VisitAlphas(keepFlags, nullptr);
    kept.typedefs = FileTypedefNames();
    for (const CountedList *cell = fileList; cell; cell = cell->next) {
        kept.directories.emplace_back(static_cast<_AlphaType *>(cell->item), cell->count);
    }
}

bool keptServes(const char *path)
{
    return kept.usable && kept.path == path && kept.tableGeneration == AlphaTableGeneration() &&
           kept.pragmasAfter == VendorPragmasHandled();
}

void putBack(CountedList **fileList)
{
    // Opening the file split its path, which also notes the path's spelling;
    // closing it reports the warnings left out since the last file closed.
    _AlphaType *name = nullptr, *directory = nullptr;
    splitSourcePath(kept.path.c_str(), &name, &directory);
    closeWarningFile(kept.path.c_str());
    ForgetFileTypedefs();
    for (const auto &[entry, flags] : kept.flags) entry->flags |= flags;
    RestoreFileTypedefs(kept.typedefs);
    for (const auto &[entry, count] : kept.directories) {
        for (int k = 0; k < count; ++k) AddCounted(fileList, entry);
    }
}

}  // namespace

uint16_t ParseDefinitionFile(const char *path, CountedList **fileList)
{
    if (keptServes(path)) {
        putBack(fileList);
        return 0;
    }
    kept.usable = false;
    const bool first = !kept.parsed && !*fileList && noEntryMarked();
    kept.parsed = true;
    const Watch before = watchNow();
    const uint16_t result = ParseFile(path, true, nullptr, fileList, nullptr);
    if (first && result == 0 && leftNothingElse(before, watchNow())) keep(path, *fileList);
    return result;
}

void ForgetDefinitionFile() { kept = KeptParse{}; }
