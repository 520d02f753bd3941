// Handlers of the "#pragma mevra" forms: they mark identifier entries with
// the meanings the C scanner applies, fill the accept and replacement tables,
// switch analysis and instrumentation, and collect the standard-include
// directories. The directive scanner has already checked each form's syntax.
#include "frontend/stx_c_pragma.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "frontend/accept.h"
#include "frontend/kinds.h"
#include "frontend/stx_c_lex.h"
#include "support/alpha.h"
#include "support/files.h"
#include "support/machine.h"

namespace {

CountedList **pragmaFileList = nullptr;
// Finds a directory already in the file list without walking it. Made at the
// first directory of a parse, as the list is only extended here meanwhile;
// made again if the list was replaced under it.
std::optional<CountedListBuilder> fileListBuilder;
const CountedList *fileListHead = nullptr;

void AddToFileList(_AlphaType *directory)
{
    if (!fileListBuilder || *pragmaFileList != fileListHead) fileListBuilder.emplace(pragmaFileList);
    fileListBuilder->add(directory);
    fileListHead = *pragmaFileList;
}
// Call identifier -> prefix, kept only to warn when a prefix changes.
std::unordered_map<const _AlphaType *, const _AlphaType *> prefixMap;
unsigned pragmasHandled = 0;

// ---- places and messages ---------------------------------------------------

void WarnAtPragma(const char *sourceText)
{
    reportWarning(translateText("User Warning", sourceText, "%1 : file and line reference").arg(DirectiveReference()),
                  sourceText);
}

// ---- quoted strings, found by plain double quotes ---------------------------

struct Segment {
    const char *begin = nullptr;
    size_t length = 0;
    const char *after = nullptr;  // just past the closing quote
};

enum class Quote { Found, None, Unterminated };

Quote NextString(const char *from, Segment *s)
{
    const char *open = std::strchr(from, '"');
    if (!open) return Quote::None;
    const char *close = std::strchr(open + 1, '"');
    if (!close) return Quote::Unterminated;
    s->begin = open + 1;
    s->length = size_t(close - open - 1);
    s->after = close + 1;
    return Quote::Found;
}

// The first string of the text; the forms guarantee that it exists.
Segment FirstString(const char *text)
{
    Segment s;
    if (NextString(text, &s) != Quote::Found)
        reportInternal(translateText("Internal Error", "Pragma mevra string not readable"));
    return s;
}

Segment StringAfter(const Segment &previous) { return FirstString(previous.after); }

_AlphaType *Intern(const Segment &s) { return FindOrAddAlphaN(s.begin, s.length); }

// The entry of a quoted name the pragma needs; null, after the warning
// emptyText, when the quotes hold nothing.
_AlphaType *InternNamed(const Segment &s, const char *emptyText)
{
    _AlphaType *entry = Intern(s);
    if (!entry) WarnAtPragma(emptyText);
    return entry;
}

// ---- numbers ---------------------------------------------------------------

// Skips to the next digit and reads the number there: any unsigned 32-bit
// value; a larger one gets the too-large warning. What the parser can take
// is the scanner's concern.
bool ReadCode(const char **position, uint32_t *code)
{
    const char *p = *position;
    while (*p && (*p < '0' || *p > '9')) ++p;
    if (!*p) return false;
    uint64_t value = 0;
    bool tooLarge = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + uint64_t(*p - '0');
        if (value > UINT32_MAX) {
            tooLarge = true;
            value = 0;
        }
    }
    *position = p;
    if (tooLarge) {
        WarnAtPragma("Pragma mevra accept = code value to large : %1");
        return false;
    }
    *code = uint32_t(value);
    return true;
}

// ---- marks -----------------------------------------------------------------

void Mark(const char *text, uint32_t bits) { FindOrAddAlpha(text)->flags |= bits; }

void SetReduceField(_AlphaType *entry, uint32_t field) { entry->flags = (entry->flags & ~ALPHA_REDUCE_MASK) | field; }

// ---- the forms ---------------------------------------------------------------

void TypeModifier(const char *text)
{
    const char *p = std::strchr(text, '=') + 1;
    while (*p == ' ' || *p == '\t') ++p;
    size_t n = 0;
    while ((p[n] >= 'A' && p[n] <= 'Z') || (p[n] >= 'a' && p[n] <= 'z') || (p[n] >= '0' && p[n] <= '9') || p[n] == '_')
        ++n;
    FindOrAddAlphaN(p, n)->flags |= ALPHA_DROP_EARLY;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\0' || c == '\n' || c == '\r'; }

void AddStandardDirectory(const char *name)
{
    char *expanded = nullptr;
    const char *longName = (expandShortNames(name, &expanded) && expanded) ? expanded : name;
    char *upper = upperCopy(longName);
    char *directory = normalizeDirectory(upper);
    AddToFileList(FindOrAddAlpha(directory));
    releaseBlock(directory);
    releaseBlock(upper);
    if (expanded) releaseBlock(expanded);
}

// One comma-separated piece [begin, end); false when it ends the list.
bool StandardDirectoryPiece(const char *begin, const char *end)
{
    while (begin < end && IsBlank(*begin)) ++begin;
    if (begin == end ? IsLineEnd(*end) : IsLineEnd(*begin)) return false;
    while (end > begin && (IsBlank(end[-1]) || end[-1] == '\n' || end[-1] == '\r')) --end;
    while (end - begin >= 2 && *begin == '"' && end[-1] == '"') {
        ++begin;
        --end;
    }
    if (end - begin < 2) return true;
    size_t n = size_t(end - begin);
    char *name = static_cast<char *>(allocZeroed(n + 1));
    std::memcpy(name, begin, n);
    AddStandardDirectory(name);
    releaseBlock(name);
    return true;
}

void StandardIncludes(const char *text)
{
    const char *p = std::strchr(text, '=');
    if (!p || !pragmaFileList) return;
    for (++p;;) {
        const char *comma = std::strchr(p, ',');
        const char *end = comma ? comma : p + std::strlen(p);
        if (!StandardDirectoryPiece(p, end) || !comma) return;
        p = comma + 1;
    }
}

int StopAnalysis()
{
    ScannerState &s = Scanner();
    if (s.analysisStopped) {
        WarnAtPragma("Analysis is already stopped : %1");
        return 0;
    }
    s.analysisStopped = true;
    QString stopReference = DirectiveReference();
    int token;
    do token = NextToken();
    while (token != 0 && Scanner().analysisStopped);
    if (Scanner().analysisStopped) {
        const char *const text = "End of file encountered but no #pragma mevra start_analyze; "
                                 "check #pragma mevra stop_analyze at %1";
        reportWarning(translateText("User Warning", text, "%1 : file and line reference").arg(stopReference), text);
        return 0;
    }
    return token;
}

// Turns a switch of the scanner that a pragma pair controls; turning it to
// the state it already has is only worth a warning.
template <typename Switch>
void TurnSwitch(Switch &value, Switch wanted, const char *alreadyText)
{
    if (value == wanted) WarnAtPragma(alreadyText);
    else value = wanted;
}

void StartAnalysis() { TurnSwitch(Scanner().analysisStopped, false, "Analysis is already started : %1"); }

// instr_off is only ever 0 or 1.
void StopInstrumentation() { TurnSwitch<uint8_t>(Scanner().instrOff, 1, "Instrumentation is already stopped : %1"); }

void StartInstrumentation() { TurnSwitch<uint8_t>(Scanner().instrOff, 0, "Instrumentation is already running : %1"); }

// exit_instr and ex_call: the names are only checked.
void CheckNames(const char *text, const char *emptyText, const char *unreadableText)
{
    Segment s;
    for (const char *p = text;; p = s.after) {
        Quote q = NextString(p, &s);
        if (q == Quote::None) return;
        if (q == Quote::Unterminated) reportInternal(translateText("Internal Error", unreadableText));
        if (s.length == 0) WarnAtPragma(emptyText);
    }
}

void PrefixCall(const char *text)
{
    Segment prefix = FirstString(text);
    _AlphaType *prefixEntry = InternNamed(prefix, "Pragma mevra prefix_call prefix string is empty : %1");
    if (!prefixEntry) return;
    Segment call;
    for (const char *p = prefix.after; NextString(p, &call) == Quote::Found; p = call.after) {
        _AlphaType *callEntry = InternNamed(call, "Pragma mevra prefix_call call identifier is empty : %1");
        if (!callEntry) return;
        auto known = prefixMap.find(callEntry);
        const char *const changed = "%1 in pragma mevra prefix_call, the call identifier %2 is "
                                    "already to be prefixed by %3; this prefix is no longer "
                                    "used: %4 will be used instead";
        if (known != prefixMap.end() && known->second != prefixEntry)
            reportWarning(translateText("User Warning", changed,
                                        "%1 is file and line reference, %2 is the identifier, %3 "
                                        "is the old prefix and %4 is the new prefix")
                              .arg(DirectiveReference(), QString::fromLocal8Bit(callEntry->text),
                                   QString::fromLocal8Bit(known->second->text),
                                   QString::fromLocal8Bit(prefixEntry->text)),
                          changed);
        prefixMap[callEntry] = prefixEntry;
    }
}

void AcceptDrop(const char *text)
{
    _AlphaType *entry = InternNamed(FirstString(text), "Pragma mevra accept string is empty : %1");
    if (!entry) return;
    entry->flags |= ALPHA_DROP_LATE;
}

// The code after the name becomes the entry's accept code; a rejected code
// leaves the entry's flags as they were before the pragma.
void TakeAcceptCode(_AlphaType *entry, const char *afterName, uint32_t flagsBefore)
{
    uint32_t code = 0;
    if (ReadCode(&afterName, &code)) AddAcceptCode(entry, code);
    else entry->flags = flagsBefore;
}

void AcceptWithCode(const char *text)
{
    Segment s = FirstString(text);
    _AlphaType *entry = InternNamed(s, "Pragma mevra accept = string is empty : %1");
    if (!entry) return;
    uint32_t before = entry->flags;
    entry->flags |= ALPHA_ACCEPT_CODE;
    TakeAcceptCode(entry, s.after, before);
}

void AcceptSequence(const char *text, bool upTo)
{
    Segment s = FirstString(text);
    _AlphaType *entry = InternNamed(s, "Pragma mevra accept [up] to string is empty : %1");
    if (!entry) return;
    entry->flags |= ALPHA_ACCEPT_SEQUENCE;
    AddAcceptedSequence(entry, upTo);
    const char *p = s.after;
    uint32_t code = 0;
    while (ReadCode(&p, &code)) AddSequenceTerminator(code);
}

void Reduce(const char *text, uint32_t field)
{
    Segment s = FirstString(text);
    _AlphaType *entry = InternNamed(s, "Pragma mevra reduce string is empty : %1");
    if (!entry) return;
    uint32_t before = entry->flags;
    SetReduceField(entry, field);
    if (field != ALPHA_REDUCE_CODE) return;
    TakeAcceptCode(entry, s.after, before);
}

void FunctionReduce(const char *text)
{
    _AlphaType *entry = InternNamed(FirstString(text), "Pragma mevra fctreduce string is empty : %1");
    if (!entry) return;
    entry->flags |= ALPHA_SKIP_BRACES;
}

// The name, lowered (A to Z only), as a new string.
char *LowerCopy(const Segment &s)
{
    char *name = static_cast<char *>(allocZeroed(s.length + 1));
    for (size_t i = 0; i < s.length; ++i) {
        char c = s.begin[i];
        name[i] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    return name;
}

void Replacement(const char *text, bool directive)
{
    Segment name = FirstString(text);
    Segment replacement = StringAfter(name);
    if (name.length == 0) {
        WarnAtPragma(directive ? "Pragma mevra directive ident is empty : %1"
                               : "Pragma mevra pragma ident is empty : %1");
        return;
    }
    if (replacement.length == 0) {
        WarnAtPragma(directive ? "Pragma mevra directive replacement text is empty : %1"
                               : "Pragma mevra pragma replacement text is empty : %1");
        return;
    }
    char *lowered = LowerCopy(name);
    char *body = static_cast<char *>(allocZeroed(replacement.length + 1));
    std::memcpy(body, replacement.begin, replacement.length);
    if (directive) AddDirectiveReplacement(lowered, body);
    else AddPragmaReplacement(lowered, body);
    releaseBlock(body);
    releaseBlock(lowered);
}

// Flags of a special extension whose handler index is given.
uint32_t SpecialExtension(unsigned index) { return ALPHA_SPECIAL | (uint32_t(index) << 8); }

void AcceptKeyword(const char *name, uint32_t bits, int code)
{
    _AlphaType *entry = FindOrAddAlpha(name);
    if (bits == ALPHA_REDUCE_CODE) SetReduceField(entry, bits);
    else entry->flags |= bits;
    AddAcceptCode(entry, code);
}

void WarnUnknownExtension(const char *sourceText, const char *comment, const QString &name)
{
    reportWarning(translateText("User Warning", sourceText, comment).arg(name, DirectiveReference()), sourceText);
}

void SelectExtension(const char *text)
{
    Segment s = FirstString(text);
    QString name = QString::fromLocal8Bit(s.begin, int(s.length));
    if (name == QLatin1String("microsoft#_asm")) {
        Mark("_asm", SpecialExtension(0));
        Mark("__asm", SpecialExtension(0));
    } else if (name == QLatin1String("microsoft#seh")) {
        AcceptKeyword("__try", ALPHA_ACCEPT_CODE, TRY);
        AcceptKeyword("__except", ALPHA_REDUCE_CODE, EXCEPT);
        AcceptKeyword("__finally", ALPHA_ACCEPT_CODE, FINALLY);
        AcceptKeyword("__leave", ALPHA_ACCEPT_CODE, LEAVE);
    } else if (name.startsWith(QLatin1String("microsoft#"))) {
        WarnUnknownExtension("Unknown microsoft extension : %1 at %2",
                             "%1 : the microsoft extension, %2 : file and line reference", name.mid(10));
    } else if (name == QLatin1String("gnu#__extension__")) {
        Mark("__extension__", SpecialExtension(1));
    } else if (name.startsWith(QLatin1String("gnu#"))) {
        WarnUnknownExtension("Unknown gnu extension : %1 at %2", "%1 : the gnu extension, %2 : file and line reference",
                             name.mid(4));
    } else {
        WarnUnknownExtension("Unknown special extension : %1 at %2",
                             "%1 : the special extension, %2 : file and line reference", name);
    }
}

void ReturnType(const char *text)
{
    Segment function = FirstString(text);
    Segment type = StringAfter(function);
    if (function.length == 0) WarnAtPragma("Pragma mevra return_type ident is empty : %1");
    else if (type.length == 0) WarnAtPragma("Pragma mevra return_type identifier return_type is empty : %1");
}

}  // namespace

void SetPragmaFileList(CountedList **fileList)
{
    pragmaFileList = fileList;
    fileListBuilder.reset();
}

void FreePragmaState()
{
    prefixMap.clear();
    SetPragmaFileList(nullptr);
}

unsigned VendorPragmasHandled() { return pragmasHandled; }

int HandleVendorPragma(VendorPragmaForm form, const char *text)
{
    ++pragmasHandled;
    switch (form) {
    case PRAGMA_SIZEOF:
    case PRAGMA_SIGNOF:
    case PRAGMA_NOTHINGBEFORE:
    case PRAGMA_TESTING_TOOL_CALL_PLACE:
    case PRAGMA_INSERT:
    case PRAGMA_CRC:
    case PRAGMA_MVO_STUB: return 0;
    case PRAGMA_TYPE_MODIFIER: TypeModifier(text); return 0;
    case PRAGMA_INCL_STD: StandardIncludes(text); return 0;
    case PRAGMA_STOP_ANALYSIS: return StopAnalysis();
    case PRAGMA_START_ANALYSIS: StartAnalysis(); return 0;
    case PRAGMA_STOP_INSTR: StopInstrumentation(); return 0;
    case PRAGMA_START_INSTR: StartInstrumentation(); return 0;
    case PRAGMA_EXIT_INSTR:
        CheckNames(std::strchr(text, '='), "Pragma mevra exit_instr function name is empty : %1",
                   "Exit instruction name not readable");
        return 0;
    case PRAGMA_EX_CALL:
        CheckNames(std::strchr(text, '='), "Pragma mevra ex_call function name is empty : %1",
                   "Pragma mevra ex_call function name not readable");
        return 0;
    case PRAGMA_PREFIX_CALL: PrefixCall(text); return 0;
    case PRAGMA_ACCEPT_DROP: AcceptDrop(text); return 0;
    case PRAGMA_ACCEPT_CODE: AcceptWithCode(text); return 0;
    case PRAGMA_ACCEPT_TO: AcceptSequence(text, false); return 0;
    case PRAGMA_ACCEPT_UP_TO: AcceptSequence(text, true); return 0;
    case PRAGMA_REDUCE_NULL: Reduce(text, ALPHA_REDUCE_NULL); return 0;
    case PRAGMA_REDUCE_IDENT: Reduce(text, ALPHA_REDUCE_IDENT); return 0;
    case PRAGMA_REDUCE_TYPENAME: Reduce(text, ALPHA_REDUCE_TYPENAME); return 0;
    case PRAGMA_REDUCE_EMPTY: Reduce(text, ALPHA_REDUCE_EMPTY); return 0;
    case PRAGMA_REDUCE_CODE: Reduce(text, ALPHA_REDUCE_CODE); return 0;
    case PRAGMA_FCTREDUCE: FunctionReduce(text); return 0;
    case PRAGMA_PRAGMA_REPLACEMENT: Replacement(text, false); return 0;
    case PRAGMA_DIRECTIVE_REPLACEMENT: Replacement(text, true); return 0;
    case PRAGMA_SPECIAL_EXTENSION: SelectExtension(text); return 0;
    case PRAGMA_NOINTERPRET: Scanner().rawFileNames = true; return 0;
    case PRAGMA_RETURN_TYPE: ReturnType(text); return 0;
    }
    reportInternal(translateText("Internal Error", "Unknown pragma mevra form"));
}
