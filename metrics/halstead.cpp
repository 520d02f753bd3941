// The Halstead pass over one source file: the line accounting behind the
// scanner's actions, the comment reader, the directive lines with their
// conditional check, and the operator and operand counts.
#include "metrics/halstead.h"

#include <QByteArray>
#include <QString>

#include <cstring>
#include <string>

#include "metrics/halstead_scan.h"
#include "support/alpha.h"
#include "support/files.h"
#include "support/machine.h"
#include "support/platform.h"

namespace {

struct PassState {
    HalsteadCounts counts;
    bool atLineStart;
    bool codeOnLine;
    bool commentOnLine;
    bool operatorSeen[HT_OPERATOR_LIMIT];
    // An operand's entry carries this pass's mark once it has been counted
    // as distinct, so a file with many distinct operands stays linear.
    uint32_t mark;
    // The open conditional sections: nothing is kept per section, so the
    // stack is its depth.
    long openSections;
    const char *path;
    std::string directive;  // working copy of a directive line, reused
};

PassState pass;

void resetPass(const char *path)
{
    pass.counts = HalsteadCounts{};
    pass.atLineStart = false;
    pass.codeOnLine = false;
    pass.commentOnLine = false;
    std::memset(pass.operatorSeen, 0, sizeof pass.operatorSeen);
    // Mark 0 is never a pass's own: fresh entries carry it.
    if (++pass.mark == 0) reportInternal(QStringLiteral("Halstead computing: pass marks exhausted"));
    pass.openSections = 0;
    pass.path = path;
}

// The line holds code. A helper of this file, so that the counting
// routines below can inline it.
void markCode()
{
    pass.atLineStart = false;
    pass.codeOnLine = true;
}

void closeLine()
{
    HalsteadCounts &c = pass.counts;
    ++c.Total;
    if (pass.codeOnLine) {
        if (pass.commentOnLine) ++c.Src2;
        else ++c.Src1;
    } else {
        ++c.Comment1;
    }
    pass.codeOnLine = false;
}

// Line feeds inside literals and continued code lines: each one ends a code
// line; only the first of them can carry the comment seen before.
void countLiteralNewlines(const char *text, std::size_t length)
{
    const char *end = text + length;
    for (const char *p = text; (p = static_cast<const char *>(std::memchr(p, '\n', end - p))); ++p) {
        ++pass.counts.Total;
        if (pass.commentOnLine) {
            ++pass.counts.Src2;
            pass.commentOnLine = false;
        } else {
            ++pass.counts.Src1;
        }
    }
    if (length == 0 || text[length - 1] != '\n') pass.codeOnLine = true;
}

// Hands the input to take one character at a time until take says the
// comment has ended, scanning what the buffer holds in place and reading
// raw only to refill it. Returns whether the comment ended before the
// input; either way last is the last character taken (-1 for none).
template <typename Take>
bool readComment(Take take, int &last)
{
    for (;;) {
        const HalsteadSpan span = halsteadBuffered();
        if (span.begin != span.end) {
            const char *p = span.begin;
            bool ended = false;
            while (!ended && p < span.end) ended = take(*p++);
            last = static_cast<unsigned char>(p[-1]);
            halsteadConsume(static_cast<std::size_t>(p - span.begin));
            if (ended) return true;
            continue;
        }
        const int c = halsteadReadChar();
        if (c == -1) return false;
        last = c;
        if (take(static_cast<char>(c))) return true;
    }
}

void readBlockComment()
{
    ++pass.counts.Comment2;
    bool afterStar = false;
    auto take = [&afterStar](char c) {
        if (c == '/' && afterStar) return true;
        afterStar = (c == '*');
        if (c == '\n') closeLine();
        return false;
    };
    int last = -1;
    if (readComment(take, last)) return;
    if (last != '\n') closeLine();
    pass.atLineStart = true;
}

void readLineComment()
{
    ++pass.counts.Comment2;
    char previous = '\0';
    auto take = [&previous](char c) {
        const bool continued = previous == '\\';
        previous = c;
        if (c != '\n') return false;
        closeLine();
        return !continued;
    };
    int last = -1;
    if (!readComment(take, last) && last != '\n') closeLine();
    pass.commentOnLine = false;
    pass.atLineStart = true;
}

// The directive line with its digraphs spelt out, so that "%:if" is seen as
// "#if" and "<%" as "{".
void copyDirective(const char *text, std::size_t length)
{
    std::string &copy = pass.directive;
    copy.clear();
    copy.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[i];
        if ((c == '<' || c == '%' || c == ':') && i + 1 < length) {
            char d = text[++i];
            if (c == '<' && d == ':') copy += '[';
            else if (c == '<' && d == '%') copy += '{';
            else if (c == '%' && d == '>') copy += '}';
            else if (c == '%' && d == ':') copy += '#';
            else if (c == ':' && d == '>') copy += ']';
            else {
                copy += c;
                copy += d;
            }
        } else {
            copy += c;
        }
    }
}

enum class DirectiveState { Normal, BlockComment, LineComment, String };

// At the end of a directive line a string ends, a line comment is counted and
// ends, and a line left in code holds code; a block comment goes on.
DirectiveState endDirectiveLine(DirectiveState state)
{
    if (state == DirectiveState::String) state = DirectiveState::Normal;
    if (state == DirectiveState::Normal) {
        pass.codeOnLine = true;
    } else if (state == DirectiveState::LineComment) {
        ++pass.counts.Comment2;
        state = DirectiveState::Normal;
    }
    return state;
}

// Counts the lines and comments of the directive copy; returns the state
// at its end.
DirectiveState walkDirective()
{
    const std::string &copy = pass.directive;
    const std::size_t n = copy.size();
    DirectiveState state = DirectiveState::Normal;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = copy[i];
        const int d = i + 1 < n ? static_cast<unsigned char>(copy[i + 1]) : -1;
        if (c == '\n') {
            state = endDirectiveLine(state);
            closeLine();
            pass.commentOnLine = false;
        }
        if (state == DirectiveState::Normal && c == '/' && d == '*') {
            state = DirectiveState::BlockComment;
            pass.commentOnLine = true;
            ++i;
        } else if (state == DirectiveState::BlockComment && c == '*' && d == '/') {
            ++pass.counts.Comment2;
            state = DirectiveState::Normal;
            ++i;
        } else if (state == DirectiveState::Normal && c == '/' && d == '/') {
            state = DirectiveState::LineComment;
            pass.commentOnLine = true;
            ++i;
        } else if (state == DirectiveState::Normal && c == '\\' && d == '"') {
            ++i;  // an escaped quote opens no string
        } else if (state == DirectiveState::Normal && c == '"') {
            state = DirectiveState::String;
        } else if (state == DirectiveState::String && c == '\\' && d != -1 && d != '\n') {
            ++i;  // the escaped character cannot close the string
        } else if (state == DirectiveState::String && c == '"') {
            state = DirectiveState::Normal;
        }
    }
    return state;
}

bool isLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool startsWithWord(const std::string &text, std::size_t at, const char *word)
{
    const std::size_t length = std::strlen(word);
    if (text.compare(at, length, word) != 0) return false;
    return at + length >= text.size() || !isLetterOrDigit(text[at + length]);
}

void closeSection(const char *word)
{
    if (pass.openSections > 0) {
        --pass.openSections;
        return;
    }
    char *key = makeLocationKey(pass.path, nullptr, static_cast<unsigned>(pass.counts.Total));
    reportError(translateText("Message", "%1 a #%2 preprocessing directive is not associated to a #if, #ifdef, "
                                         "#ifndef, #elif nor #else.\nCheck that this missing directive is at the "
                                         "beginning of the source line, optionally prefixed with spaces or tabs.")
                    .arg(QString::fromLocal8Bit(key), QString::fromLatin1(word)));
    releaseBlock(key);
}

void warnLineMarker(std::size_t from)
{
    const std::string &copy = pass.directive;
    QByteArray rest(copy.data() + from, static_cast<qsizetype>(copy.size() - from));
    reportWarning(QStringLiteral("halstead:Directive() #") + QString::fromLocal8Bit(rest), "halstead:Directive() #");
}

// A #line directive is a line marker written by hand and throws the lines
// off the same way, so it draws the same warning, quoted from its word on.
bool isLineDirective(const std::string &copy, std::size_t at)
{
    if (!startsWithWord(copy, at, "line")) return false;
    std::size_t i = at + 4;
    if (i >= copy.size() || (copy[i] != ' ' && copy[i] != '\t')) return false;
    while (i < copy.size() && (copy[i] == ' ' || copy[i] == '\t')) ++i;
    return i < copy.size() && isDigit(copy[i]);
}

void checkConditional()
{
    const std::string &copy = pass.directive;
    std::size_t i = copy.find_first_not_of(" \t\f\v");
    if (i == std::string::npos || copy[i] != '#') return;
    i = copy.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos) return;
    if (startsWithWord(copy, i, "ifndef") || startsWithWord(copy, i, "ifdef") || startsWithWord(copy, i, "if")) {
        ++pass.openSections;
    } else if (startsWithWord(copy, i, "elif")) {
        closeSection("elif");
        ++pass.openSections;
    } else if (startsWithWord(copy, i, "else")) {
        closeSection("else");
        ++pass.openSections;
    } else if (startsWithWord(copy, i, "endif")) {
        closeSection("endif");
    } else if (isDigit(copy[i]) || isLineDirective(copy, i)) {
        warnLineMarker(i);
    }
}

// A directive line counts its lines and comments, never its tokens.
void scanDirectiveLine(const char *text, std::size_t length)
{
    copyDirective(text, length);
    DirectiveState state = walkDirective();
    if (pass.directive.empty() || pass.directive.back() != '\n') {
        // The last line of the file: closed here with its comment flag, so a
        // comment on it makes it code with a comment like any other line.
        state = endDirectiveLine(state);
        if (state != DirectiveState::BlockComment) {
            closeLine();
            pass.atLineStart = true;
        }
    }
    if (state == DirectiveState::BlockComment) readBlockComment();
    pass.commentOnLine = false;
    checkConditional();
}

FILE *openSource(const char *path, const char *hostFile)
{
    FILE *file = hostFile ? openTextForReadingAsWritten(hostFile) : openTextForReading(path);
    if (!file) reportInternal(translateText("Internal Error", "Halstead calcul : cannot open source file"));
    return file;
}

}  // namespace

// The scanner's actions.

void noteBlank() { pass.atLineStart = false; }

void noteCode() { markCode(); }

void noteEmptyLine()
{
    ++pass.counts.Total;
    ++pass.counts.Empty;
    pass.commentOnLine = false;
    pass.atLineStart = true;
}

void noteLineFeed()
{
    closeLine();
    pass.commentOnLine = false;
    pass.atLineStart = true;
}

// A backslash-continued code line and the line it runs into. The joined
// line is finished, so the next line starts without code.
void noteContinuation(const char *text, std::size_t length)
{
    markCode();
    countLiteralNewlines(text, length);
    pass.atLineStart = true;
    pass.commentOnLine = false;
    pass.codeOnLine = false;
}

// Kinds come from the scanner's rules alone; one outside the table would be
// a fault of the scanner.
void countOperator(HalsteadOperator kind)
{
    markCode();
    if (kind < 0 || kind >= HT_OPERATOR_LIMIT)
        reportInternal(translateText("Internal Error", "Halstead computing: unexpected token"));
    ++pass.counts.N1;
    if (!pass.operatorSeen[kind]) {
        pass.operatorSeen[kind] = true;
        ++pass.counts.n1;
    }
}

// The operand's text as matched, which carries the blanks that the scanner
// takes after a token.
void countOperand(const char *text, std::size_t length)
{
    markCode();
    while (text[length - 1] == ' ' || text[length - 1] == '\t') --length;
    _AlphaType *entry = FindOrAddAlphaN(text, length);
    ++pass.counts.N2;
    if (entry->passMark == pass.mark) return;
    entry->passMark = pass.mark;
    ++pass.counts.n2;
}

void countLiteral(const char *text, std::size_t length)
{
    countOperand(text, length);
    countLiteralNewlines(text, length);
}

void noteBlockComment()
{
    pass.atLineStart = false;
    pass.commentOnLine = true;
    readBlockComment();
}

void noteLineComment()
{
    pass.atLineStart = false;
    pass.commentOnLine = true;
    readLineComment();
}

void noteDirective(const char *text, std::size_t length, bool terminated)
{
    pass.atLineStart = terminated;
    pass.codeOnLine = true;
    pass.commentOnLine = false;
    scanDirectiveLine(text, length);
}

void runHalsteadPass(const char *path, const char *hostFile, HalsteadCounts *counts)
{
    if (!path || !*path)
        reportInternal(translateText("Internal Error", "Cannot calcul Halstead parameters w/o file name"));
    FILE *file = openSource(path, hostFile);
    resetPass(path);
    halsteadScanBegin(file);
    halsteadScan();
    if (!pass.atLineStart) closeLine();
    halsteadScanEnd();
    std::fclose(file);
    *counts = pass.counts;
    closeWarningFile(path);

    int errors = 0, warnings = 0;
    messageCounts(errors, warnings);
    if (errors != 0) reportFatal(translateText("Fatal Error", "Fix the errors above before proceeding again"));
}
