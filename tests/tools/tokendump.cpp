// Token dump for the scanner tests: runs the C scanner over a source file,
// after an optional definition file, and prints one line per token:
//   code KIND line/physical_line:column FILE DIRECTORY [alpha] instr_off [end line/physical_line:column]
// A null alpha prints as "-"; the end is that of the leaf node the grammar
// would make from the token. Options set identifier meanings directly:
//   --flags=TEXT:HEX ORs flag bits, --code=TEXT:N registers an accept code
//   (flags untouched), --to=TEXT:N,N... and --upto=TEXT:N,N... declare an
//   accepted sequence and set its flag. --count prints only the number of
//   tokens of each file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontend/accept.h"
#include "frontend/arbre.h"
#include "frontend/kinds.h"
#include "frontend/stx_c_lex.h"
#include "frontend/stx_c_pragma.h"
#include "support/alpha.h"
#include "support/machine.h"

namespace {

bool quiet = false;  // --count: print only the number of tokens of each file

const char *entryText(const _AlphaType *entry) { return entry ? entry->text : "-"; }

bool isLeaf(int code)
{
    switch (code) {
    case IDENTIFIER:
    case TYPE_NAME:
    case STRING_LITERAL:
    case FLOATING_CONSTANT:
    case INTEGER_CONSTANT:
    case CHARACTER_CONSTANT:
    case OCTAL_CONSTANT:
    case HEX_CONSTANT:
    case BINARY_CONSTANT: return true;
    default: return false;
    }
}

void printToken(int code)
{
    const ParseValue &v = TokenValue();
    const SourcePosition p = ExpandPosition(v.position);
    std::printf("%d %s %d/%d:%d %s %s ", code, KindName(code), p.line, p.physical_line, p.column, entryText(p.file),
                entryText(p.directory));
    if (v.alpha) std::printf("[%s]", v.alpha->text);
    else std::printf("-");
    std::printf(" %d", p.instr_off);
    if (isLeaf(code) && v.alpha) {
        SyntaxNode *leaf = SetAlpha(NewNode(code, &v), v.alpha);
        std::printf(" end %d/%d:%d", leaf->end.line, leaf->end.physical_line, leaf->end.column);
        FreeTree(leaf);
    }
    std::printf("\n");
}

void dumpFile(const char *path, bool isDefinitionFile)
{
    std::printf("== %s\n", isDefinitionFile ? "definition" : "source");
    FILE *stream = OpenScannerFile(path, isDefinitionFile);
    long count = 0;
    for (int code; (code = NextToken()) != END; ++count)
        if (!quiet) printToken(code);
    if (quiet) std::printf("%ld tokens\n", count);
    CloseScannerFile(stream);
    closeWarningFile(path);
}

[[noreturn]] void usage()
{
    std::fprintf(stderr,
                 "usage: tokendump [--flags=T:HEX] [--code=T:N] [--to=T:N,..] [--upto=T:N,..] [definition] source\n");
    std::exit(64);
}

// Splits "TEXT:VALUE" at its last colon.
_AlphaType *optionEntry(const char *arg, const char **value)
{
    const char *colon = std::strrchr(arg, ':');
    if (!colon || colon == arg) usage();
    *value = colon + 1;
    return FindOrAddAlpha(std::string(arg, colon - arg).c_str());
}

void addSequence(const char *arg, bool upTo)
{
    const char *codes;
    _AlphaType *entry = optionEntry(arg, &codes);
    entry->flags |= ALPHA_ACCEPT_SEQUENCE;
    AddAcceptedSequence(entry, upTo);
    for (char *end; *codes; codes = *end ? end + 1 : end) {
        AddSequenceTerminator(static_cast<uint32_t>(std::strtoul(codes, &end, 10)));
    }
}

bool applyOption(const char *arg)
{
    const char *value = "";
    if (!std::strncmp(arg, "--flags=", 8)) {
        _AlphaType *entry = optionEntry(arg + 8, &value);
        entry->flags |= static_cast<uint32_t>(std::strtoul(value, nullptr, 16));
    } else if (!std::strncmp(arg, "--code=", 7)) {
        _AlphaType *entry = optionEntry(arg + 7, &value);
        AddAcceptCode(entry, static_cast<uint32_t>(std::strtoul(value, nullptr, 10)));
    } else if (!std::strcmp(arg, "--count")) {
        quiet = true;
    } else if (!std::strncmp(arg, "--to=", 5)) {
        addSequence(arg + 5, false);
    } else if (!std::strncmp(arg, "--upto=", 7)) {
        addSequence(arg + 7, true);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    setToolIdentity(QStringLiteral("Corvel"), QStringLiteral("tarsk1"));
    ResetAlphaTable();
    InitAcceptTables();
    const char *files[2] = {nullptr, nullptr};
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        if (applyOption(argv[i])) continue;
        if (argv[i][0] == '-' || count == 2) usage();
        files[count++] = argv[i];
    }
    if (count == 0) usage();
    CountedList *fileList = nullptr;  // what incl_std pragmas collect
    SetPragmaFileList(&fileList);
    if (count == 2) dumpFile(files[0], true);
    dumpFile(files[count - 1], false);
    std::fflush(stdout);
    FreeCountedList(fileList);
    FreePragmaState();
    FreeAcceptTables();
    FreeAlphaTable();
    return 0;
}
