// The generic command decoder. expandArguments turns the raw vector into the
// one that is decoded (environment references, "@file" and "-option=file"
// option files); decodeCommand matches each argument against the selected
// table and stores the converted values in the table itself. Only the first
// error is reported, in one fixed format followed by the usage text.
#include "driver/gcmdec.h"

#include "support/machine.h"
#include "support/platform.h"

#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum DecoderError {
    ARG_VALUE_TOO_SMALL = 0,
    ARG_VALUE_TOO_LARGE = 1,
    ARG_LENGTH_TOO_SMALL = 2,
    ARG_LENGTH_TOO_LARGE = 3,
    TOO_MANY_ARGUMENTS = 4,
    LIST_FORBIDDEN_ARGUMENT = 5,
    UNKNOWN_OPTION = 6,
    INVALID_CHARACTER = 7,
    OPTION_TWICE = 8,
    MANDATORY_ARGUMENT = 9,
    NO_ARGUMENT = 10,
    LIST_FORBIDDEN_OPTION = 11,
    ARGUMENT_MISSING = 12,
    AMBIGUOUS_OPTION = 13,
    UNKNOWN_VALUE = 14,
    AMBIGUOUS_VALUE = 15,
    ILLEGAL_COMBINATION = 16,
    FILE_NOT_FOUND = 17,
    NO_MEMORY = 18,
    COMMAND_ANALYSIS = 19,
    BAD_OPTION_NAME = 20,
};

const char *const kMessages[] = {
    "Arg value too small,",
    "Arg value too large,",
    "Arg length too small,",
    "Arg length too large,",
    "Too many arguments invalid argument,",
    "List forbidden invalid argument,",
    "Unknown option,",
    "Invalid character following option,",
    "An option can't be used twice,",
    "Mandatory argument for this option,",
    "No argument for this option,",
    "List forbidden invalid option,",
    "Argument missing,",
    "Ambiguous option,",
    "Unknown value of option,",
    "Ambiguous value of option,",
    "Illegal combination of command elements,",
    "File not found",
    "Command analysis: No memory left",
    "Command analysis",
    "Internal error, bad option name",
};

const char *const kLongProductName = "Orvane(R) Corvel";

// The first size of an option file's token buffer.
const size_t kTokenChunk = 1025;
// A subject longer than this is shown by its first bytes and "...".
const size_t kShownSubject = 4096;

CommandTable *table = nullptr;

// ---- the register of blocks -------------------------------------------------

struct RegisteredBlock {
    void *block;
    RegisteredBlock *next;
};

RegisteredBlock *blockRegister = nullptr;

QString header(int number)
{
    return translateText("CAB", "%1 %2")
        .arg(translateText("CAB", kLongProductName), translateText("CAB", kMessages[number]));
}

// The decoder's own report, on a line of its own, then the run's end.
[[noreturn]] void reportDecoderNoMemory()
{
    std::fputs((header(NO_MEMORY) + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    reportNoMemory();
}

// A new zeroed block entered in the register; null for no bytes at all.
RegisteredBlock *newRegisteredBlock(long size)
{
    if (size <= 0) return nullptr;
    RegisteredBlock *entry = static_cast<RegisteredBlock *>(std::calloc(1, sizeof(RegisteredBlock)));
    void *block = entry ? std::calloc(1, static_cast<size_t>(size)) : nullptr;
    if (!block) {
        std::free(entry);
        reportDecoderNoMemory();
    }
    entry->block = block;
    entry->next = blockRegister;
    blockRegister = entry;
    return entry;
}

void *registeredBlock(long size)
{
    RegisteredBlock *entry = newRegisteredBlock(size);
    return entry ? entry->block : nullptr;
}

void growRegisteredBlock(RegisteredBlock *entry, size_t size)
{
    void *grown = std::realloc(entry->block, size);
    if (!grown) reportDecoderNoMemory();
    entry->block = grown;
}

char *registeredCopy(const char *text, size_t length)
{
    char *copy = static_cast<char *>(registeredBlock(static_cast<long>(length) + 1));
    if (copy) std::memcpy(copy, text, length);
    return copy;
}

// ---- error reports ----------------------------------------------------------

QString usageText()
{
    static const QRegularExpression hiddenOption(QStringLiteral("\t\\[-XT.*\n"));
    if (!table || !table->usage) return QString();
    return translateText("Command-line", table->usage).remove(hiddenOption);
}

// An argument may be megabytes long: the report quotes its beginning, cut
// before a byte that continues a UTF-8 sequence.
QByteArray shownSubject(const char *subject)
{
    size_t length = strnlen(subject, kShownSubject + 1);
    if (length <= kShownSubject) return QByteArray(subject);
    length = kShownSubject;
    while (length > 0 && (static_cast<unsigned char>(subject[length]) & 0xC0) == 0x80) --length;
    return QByteArray(subject, static_cast<qsizetype>(length)) + "...";
}

// Prints the report of error number (subject may be null) and yields false,
// so that a failing step can end with "return fail(...)".
bool fail(int number, const char *subject)
{
    QString text = header(COMMAND_ANALYSIS) + QStringLiteral(" : ") + translateText("CAB", kMessages[number]);
    if (subject) text += QLatin1Char(' ') + translateText("Command-line", shownSubject(subject).constData());
    if (number != BAD_OPTION_NAME) text += usageText();
    text += QLatin1Char('\n');
    std::fputs(text.toLocal8Bit().constData(), stderr);
    return false;
}

// ---- expansion --------------------------------------------------------------

struct ArgumentVector {
    RegisteredBlock *entry = nullptr;
    int count = 0;
    int capacity = 0;
    char **items() const { return static_cast<char **>(entry->block); }
};

// Appends one argument; the vector always keeps room for a closing null.
bool pushArgument(ArgumentVector &vector, char *argument)
{
    if (!argument) return false;
    if (vector.count + 1 >= vector.capacity) {
        int capacity = vector.capacity ? vector.capacity * 2 : 16;
        if (!vector.entry) vector.entry = newRegisteredBlock(static_cast<long>(capacity * sizeof(char *)));
        else growRegisteredBlock(vector.entry, capacity * sizeof(char *));
        vector.capacity = capacity;
    }
    vector.items()[vector.count++] = argument;
    vector.items()[vector.count] = nullptr;
    return true;
}

bool isNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

size_t nameLength(const char *text)
{
    size_t n = 0;
    while (isNameCharacter(text[n])) ++n;
    return n;
}

const char *variableValue(const char *name, size_t length)
{
    char buffer[256];
    if (length >= sizeof buffer) {
        // Long names are rare; a registered copy keeps the stack small.
        char *copy = registeredCopy(name, length);
        return copy ? std::getenv(copy) : nullptr;
    }
    std::memcpy(buffer, name, length);
    buffer[length] = '\0';
    return std::getenv(buffer);
}

// Repeated references to a long variable multiply a short argument many
// times over; far beyond any real command line the result is refused as too
// long instead of being built.
constexpr size_t kMaxExpansion = size_t(16) << 20;

// Walks the text once, either measuring the expansion or writing it. An
// inserted value is not scanned again. Measuring stops once past the
// bound.
size_t expandInto(const char *text, char *out)
{
    size_t length = 0;
    for (const char *p = text; *p;) {
        size_t name = p[0] == '$' ? nameLength(p + 1) : 0;
        const char *value = name ? variableValue(p + 1, name) : nullptr;
        const char *piece = value ? value : p;
        size_t pieceLength = value ? std::strlen(value) : (name ? name + 1 : 1);
        if (out) std::memcpy(out + length, piece, pieceLength);
        length += pieceLength;
        if (!out && length > kMaxExpansion) break;
        p += name ? name + 1 : 1;
    }
    return length;
}

// A registered copy of the text with its "$NAME" references replaced; null
// after the report when the expansion would be too long.
char *expandReferences(const char *text)
{
    size_t length = expandInto(text, nullptr);
    if (length > kMaxExpansion) {
        fail(ARG_LENGTH_TOO_LARGE, text);
        return nullptr;
    }
    char *result = static_cast<char *>(registeredBlock(static_cast<long>(length) + 1));
    if (result) expandInto(text, result);
    return result;
}

// The token being read from an option file. It doubles as it grows, and
// stops collecting past the longest argument an expansion may give: such a
// token is refused however it ends.
struct TokenBuffer {
    char *text = nullptr;
    size_t length = 0;
    size_t capacity = 0;
    bool tooLong = false;
    ~TokenBuffer() { std::free(text); }
    bool add(char c)
    {
        if (length == kMaxExpansion) {
            tooLong = true;
            return true;
        }
        if (length + 1 >= capacity) {
            size_t wanted = capacity ? std::min(capacity * 2, kMaxExpansion + 1) : kTokenChunk;
            char *grown = static_cast<char *>(std::realloc(text, wanted));
            if (!grown) reportDecoderNoMemory();
            text = grown;
            capacity = wanted;
        }
        text[length++] = c;
        return true;
    }
};

bool finishToken(TokenBuffer &token, ArgumentVector &vector)
{
    if (token.length == 0) return true;
    token.text[token.length] = '\0';
    token.length = 0;
    if (token.tooLong) {
        token.tooLong = false;
        return fail(ARG_LENGTH_TOO_LARGE, token.text);
    }
    return pushArgument(vector, expandReferences(token.text));
}

bool isTokenSeparator(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Splits an option file into tokens: "#" comments at line start, double
// quotes that protect separators, backslash line continuations.
bool readTokens(FILE *file, ArgumentVector &vector)
{
    TokenBuffer token;
    bool quoted = false, lineStart = true, comment = false;
    int c;
    while ((c = std::getc(file)) != EOF) {
        if (comment) {
            comment = c != '\n';
            lineStart = !comment;
            continue;
        }
        if (c == '\\') {
            int next = std::getc(file);
            lineStart = false;
            if (next == EOF || next == '\r' || next == '\n') continue;
            if (!token.add('\\') || !token.add(static_cast<char>(next))) return false;
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
            lineStart = false;
            continue;
        }
        if (!quoted && isTokenSeparator(c)) {
            if (!finishToken(token, vector)) return false;
            if (c == '\n') lineStart = true;
            continue;
        }
        if (!quoted && lineStart && c == '#') {
            comment = true;
            continue;
        }
        lineStart = false;
        if (!token.add(static_cast<char>(c))) return false;
    }
    return finishToken(token, vector);
}

bool readOptionFile(const char *name, ArgumentVector &vector)
{
    FILE *file = openTextForReading(name);
    if (!file) return fail(FILE_NOT_FOUND, name);
    bool ok = readTokens(file, vector);
    // A file that opens but cannot be read (a directory) is as good as absent.
    bool unreadable = ok && std::ferror(file);
    std::fclose(file);
    return unreadable ? fail(FILE_NOT_FOUND, name) : ok;
}

// "-option=NAME" in any letter case, with the table's prefix and separator.
const char *optionFileName(const char *argument)
{
    if (argument[0] != table->optionPrefix) return nullptr;
    static const char kWord[] = "option";
    for (size_t i = 0; i < sizeof kWord - 1; ++i) {
        char c = argument[1 + i];
        if (c == '\0' || (c | 0x20) != kWord[i]) return nullptr;
    }
    return argument[1 + sizeof kWord - 1] == table->valueSeparator ? argument + sizeof kWord + 1 : nullptr;
}

// ---- matching ---------------------------------------------------------------

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Match length of text against name, the text ending at its end or at stop.
// A consumed name counts only when the text ends there (whole is then set,
// unless endsAnywhere allows any continuation); a text that ends first is an
// abbreviation; any other difference is 0.
int matchLength(const char *text, const char *name, char stop, bool endsAnywhere, bool *whole)
{
    int i = 0;
    while (name[i] && text[i] && text[i] != stop && lowerAscii(text[i]) == lowerAscii(name[i])) ++i;
    bool textEnded = text[i] == '\0' || text[i] == stop;
    *whole = name[i] == '\0' && (textEnded || endsAnywhere);
    if (*whole) return i;
    return (name[i] != '\0' && textEnded) ? i : 0;
}

struct OptionMatch {
    OptionDescriptor *option = nullptr;
    int state = 0;
    int length = 0;
    bool ambiguous = false;
};

// Offers one spelling of an option; true when it is an exact match.
bool offer(OptionMatch &best, OptionDescriptor *option, const char *name, int state, const char *text)
{
    bool whole = false;
    int length = matchLength(text, name, table->valueSeparator, false, &whole);
    if (whole) {
        best.option = option;
        best.state = state;
        best.length = length;
        best.ambiguous = false;
        return true;
    }
    if (length > best.length) {
        best.option = option;
        best.state = state;
        best.length = length;
        best.ambiguous = false;
    } else if (length > 0 && length == best.length && option != best.option) {
        best.ambiguous = true;
    }
    return false;
}

OptionMatch matchOption(const char *text)
{
    OptionMatch best;
    for (OptionDescriptor *option = table->options; option; option = option->next) {
        if (offer(best, option, option->name, 1, text)) break;
        if (option->negatable) {
            char negated[COMMAND_NAME_SIZE + 2] = "no";
            std::strncat(negated, option->name, COMMAND_NAME_SIZE);
            if (offer(best, option, negated, -1, text)) break;
        }
    }
    return best;
}

// ---- values -----------------------------------------------------------------

// A separator splits only when a character precedes it that is no backslash.
char *findSplit(char *element)
{
    for (char *p = element + 1; p[-1] && *p; ++p) {
        if (*p == table->listSeparator && p[-1] != '\\') return p;
    }
    return nullptr;
}

bool holdsListSeparator(char *text) { return *text && findSplit(text) != nullptr; }

void removeEscapes(char *text)
{
    char *out = text;
    for (char *p = text; *p; ++p) {
        if (!(p[0] == '\\' && p[1] == table->listSeparator)) *out++ = *p;
    }
    *out = '\0';
}

bool appendValue(ArgumentDescriptor *argument, const char *text, long number)
{
    ValueNode *node = static_cast<ValueNode *>(registeredBlock(sizeof(ValueNode)));
    if (!node) return false;
    node->text = text;
    node->number = number;
    if (argument->lastValue) argument->lastValue->next = node;
    else argument->values = node;
    argument->lastValue = node;
    return true;
}

// The allowed entry that the value names, or null after its report.
AllowedValue *matchAllowed(AllowedValue *allowed, const char *value)
{
    AllowedValue *best = nullptr;
    int bestLength = 0;
    bool ambiguous = false;
    for (AllowedValue *entry = allowed; entry; entry = entry->next) {
        bool whole = false;
        int length = matchLength(value, entry->name, '\0', true, &whole);
        if (whole) return entry;
        if (length > bestLength) {
            best = entry;
            bestLength = length;
            ambiguous = false;
        } else if (length > 0 && length == bestLength) {
            ambiguous = true;
        }
    }
    if (!best) fail(UNKNOWN_VALUE, value);
    else if (ambiguous) fail(AMBIGUOUS_VALUE, value);
    return ambiguous ? nullptr : best;
}

long readNumber(const char *text)
{
    errno = 0;
    long long value = std::strtoll(text, nullptr, 10);
    // Out-of-range numbers saturate, so the range checks below report them.
    if (value > LONG_MAX) return LONG_MAX;
    if (value < LONG_MIN) return LONG_MIN;
    return static_cast<long>(value);
}

bool convertElement(ArgumentDescriptor *argument, char *element, AllowedValue *allowed)
{
    long number = 0;
    if (argument->kind == 'C') {
        long length = static_cast<long>(std::strlen(element));
        if (length < argument->minimum) return fail(ARG_LENGTH_TOO_SMALL, element);
        if (length > argument->maximum) return fail(ARG_LENGTH_TOO_LARGE, element);
        removeEscapes(element);
    } else {
        number = readNumber(element);
        if (number < argument->minimum) return fail(ARG_VALUE_TOO_SMALL, element);
        if (number > argument->maximum) return fail(ARG_VALUE_TOO_LARGE, element);
    }
    const char *text = element;
    if (allowed) {
        AllowedValue *entry = matchAllowed(allowed, element);
        if (!entry) return false;
        entry->chosen = 1;
        text = entry->name;
        if (argument->kind != 'C') number = readNumber(text);
    }
    return appendValue(argument, text, number);
}

// Splits the text in place at its list separators and converts each element;
// an empty tail after the last separator is no element.
bool convertList(ArgumentDescriptor *argument, char *text, AllowedValue *allowed)
{
    for (char *element = text; *element;) {
        char *split = findSplit(element);
        char *rest = split ? split + 1 : nullptr;
        if (split) *split = '\0';
        if (!convertElement(argument, element, allowed)) return false;
        if (!rest) break;
        element = rest;
    }
    return true;
}

// ---- decoding ---------------------------------------------------------------

ArgumentDescriptor *positionalAt(int k)
{
    ArgumentDescriptor *argument = table->positionals;
    for (int i = 1; argument && i < k; ++i) argument = argument->next;
    return k >= 1 ? argument : nullptr;
}

OptionDescriptor *optionAt(int position)
{
    OptionDescriptor *option = table->options;
    for (int i = 1; option && i < position; ++i) option = option->next;
    return position >= 1 ? option : nullptr;
}

bool decodeOption(char *text)
{
    OptionMatch match = matchOption(text);
    if (match.length == 0) return fail(UNKNOWN_OPTION, text);
    if (match.ambiguous) return fail(AMBIGUOUS_OPTION, text);
    char after = text[match.length];
    if (after != '\0' && after != table->valueSeparator) return fail(INVALID_CHARACTER, text);

    OptionDescriptor *option = match.option;
    ArgumentDescriptor *argument = option->argument;
    if (option->state != 0 && !(argument && argument->list == 'Y')) return fail(OPTION_TWICE, text);
    option->state = match.state;

    bool hasValue = after == table->valueSeparator;
    char *value = hasValue ? text + match.length + 1 : nullptr;
    if (option->valueRequired && (!hasValue || *value == '\0')) return fail(MANDATORY_ARGUMENT, text);
    if (!argument && hasValue) return fail(NO_ARGUMENT, text);
    if (!hasValue) return true;
    if (argument->list != 'Y' && holdsListSeparator(value)) return fail(LIST_FORBIDDEN_OPTION, text);
    return convertList(argument, value, option->allowed);
}

bool decodePositional(char *text, int *filled)
{
    int k = *filled + 1;
    ArgumentDescriptor *argument = positionalAt(k);
    if (!argument) {
        k = *filled ? *filled : 1;
        argument = positionalAt(k);
    }
    if (!argument) return fail(TOO_MANY_ARGUMENTS, text);
    bool list = argument->list == 'Y';
    if (!list && holdsListSeparator(text)) return fail(LIST_FORBIDDEN_ARGUMENT, text);
    if (!list && argument->values) return fail(TOO_MANY_ARGUMENTS, text);
    if (!convertList(argument, text, nullptr)) return false;
    if (argument->values && k > *filled) *filled = k;
    return true;
}

bool checkMissingPositionals()
{
    for (ArgumentDescriptor *argument = table->positionals; argument; argument = argument->next) {
        if (!argument->values && !argument->optional) return fail(ARGUMENT_MISSING, argument->name);
    }
    return true;
}

bool applyPresetsAndDefaults()
{
    for (OptionDescriptor *option = table->options; option; option = option->next) {
        if (option->preset && option->state == 0) option->state = 1;
        else if (option->negatable && !option->preset && option->state == 0) option->state = -1;
        if (option->defaultIndex <= 0 || !option->allowed || !option->argument) continue;
        bool chosen = false;
        AllowedValue *fallback = nullptr;
        int index = 1;
        for (AllowedValue *entry = option->allowed; entry; entry = entry->next, ++index) {
            chosen = chosen || entry->chosen;
            if (index == option->defaultIndex) fallback = entry;
        }
        if (chosen) continue;
        if (!fallback) {
            reportInternal(translateText("Internal Error", "Default value out of the allowed values of option %1")
                               .arg(QString::fromLatin1(option->name)));
        }
        fallback->chosen = 1;
        long number = option->argument->kind == 'C' ? 0 : readNumber(fallback->name);
        if (!appendValue(option->argument, fallback->name, number)) return false;
    }
    return true;
}

bool checkConflicts()
{
    for (ConflictPair *pair = table->conflicts; pair; pair = pair->next) {
        if (pair->first->state > 0 && pair->second->state > 0) {
            QByteArray subject = QByteArray(pair->first->name) + " and " + pair->second->name;
            return fail(ILLEGAL_COMBINATION, subject.constData());
        }
    }
    return true;
}

void requireTable()
{
    if (!table) reportInternal(translateText("Internal Error", "No command table selected"));
}

}  // namespace

void selectCommandTable(CommandTable *commandTable) { table = commandTable; }

int expandArguments(int *argc, char ***argv)
{
    requireTable();
    ArgumentVector vector;
    for (int i = 0; i < *argc; ++i) {
        const char *argument = (*argv)[i];
        const char *fileName = i == 0 ? nullptr : (argument[0] == '@' ? argument + 1 : optionFileName(argument));
        bool ok = fileName ? readOptionFile(fileName, vector) : pushArgument(vector, expandReferences(argument));
        if (!ok) return -1;
    }
    if (!vector.entry && !pushArgument(vector, registeredCopy("", 0))) return -1;
    *argc = vector.count;
    *argv = vector.items();
    return 0;
}

int decodeCommand(int argc, char **argv)
{
    requireTable();
    int filled = 0;
    for (int i = 1; i < argc; ++i) {
        char *copy = registeredCopy(argv[i], std::strlen(argv[i]));
        if (!copy) return -1;
        bool ok = copy[0] == table->optionPrefix ? decodeOption(copy + 1) : decodePositional(copy, &filled);
        if (!ok) return -1;
    }
    if (!checkMissingPositionals() || !applyPresetsAndDefaults() || !checkConflicts()) return -1;
    return 0;
}

int optionState(const char *name)
{
    requireTable();
    int position = 1;
    for (OptionDescriptor *option = table->options; option; option = option->next, ++position) {
        bool whole = false;
        int length = matchLength(name, option->name, '\0', false, &whole);
        if (whole && length > 0) return option->state * position;
    }
    fail(BAD_OPTION_NAME, name);
    return 0;
}

const ValueNode *optionValue(int position, int n)
{
    requireTable();
    OptionDescriptor *option = optionAt(position < 0 ? -position : position);
    if (!option || !option->argument || n < 1) return nullptr;
    const ValueNode *value = option->argument->values;
    for (int i = 1; value && i < n; ++i) value = value->next;
    return value;
}

const ValueNode *positionalValue(int k, int n)
{
    requireTable();
    ArgumentDescriptor *argument = positionalAt(k);
    if (!argument || n < 1) return nullptr;
    const ValueNode *value = argument->values;
    for (int i = 1; value && i < n; ++i) value = value->next;
    return value;
}

void releaseCommandMemory()
{
    while (blockRegister) {
        RegisteredBlock *entry = blockRegister;
        blockRegister = entry->next;
        std::free(entry->block);
        std::free(entry);
    }
    if (!table) return;
    for (ArgumentDescriptor *argument = table->positionals; argument; argument = argument->next) {
        argument->values = argument->lastValue = nullptr;
    }
    for (OptionDescriptor *option = table->options; option; option = option->next) {
        option->state = 0;
        if (option->argument) option->argument->values = option->argument->lastValue = nullptr;
        for (AllowedValue *entry = option->allowed; entry; entry = entry->next) entry->chosen = 0;
    }
}
