// Command lines of compilation database entries (see command.h).
#include "project/command.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace command {

namespace {

// The shell's meaning of one character inside double quotes: a backslash
// only escapes these.
bool escapableInDoubleQuotes(QChar c) { return c == '$' || c == '`' || c == '"' || c == '\\' || c == '\n'; }

}  // namespace

bool splitShellWords(const QString &text, QStringList &words, QString &problem)
{
    words.clear();
    QString word;
    bool inWord = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.append(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (++i == text.size()) {
                problem = QStringLiteral("a backslash ends the command");
                return false;
            }
            if (text[i] != '\n') word += text[i];
        } else if (c == '\'') {
            const qsizetype end = text.indexOf('\'', i + 1);
            if (end < 0) {
                problem = QStringLiteral("a single quote is not closed");
                return false;
            }
            word += text.mid(i + 1, end - i - 1);
            i = end;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i >= text.size()) {
                    problem = QStringLiteral("a double quote is not closed");
                    return false;
                }
                if (text[i] == '"') break;
                if (text[i] == '\\' && i + 1 < text.size() && escapableInDoubleQuotes(text[i + 1])) ++i;
                word += text[i];
            }
        } else {
            word += c;
        }
    }
    if (inWord) words.append(word);
    return true;
}

static QString compilerName(const QStringList &arguments)
{
    qsizetype at = 0;
    while (at < arguments.size() && QFileInfo(arguments[at]).fileName() == QLatin1String("ccache")) ++at;
    return at < arguments.size() ? QFileInfo(arguments[at]).fileName() : QString();
}

bool isCUnit(const QStringList &arguments, const QString &file)
{
    static const QRegularExpression gccLike(QStringLiteral("^([A-Za-z0-9_.]+-)*(cc|gcc|clang)(-[0-9.]+)?$"));
    if (!gccLike.match(compilerName(arguments)).hasMatch()) return false;
    // An explicit language wins over the file's extension.
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == QLatin1String("-x")) return arguments[i + 1] == QLatin1String("c");
    for (const QString &a : arguments)
        if (a.startsWith(QLatin1String("-x")) && a.size() > 2) return a == QLatin1String("-xc");
    return file.endsWith(QLatin1String(".c"));
}

QStringList preprocessCommand(const QStringList &arguments, const QString &iFile, const QString &depFile)
{
    // Options that name an output, with their value in the next argument.
    static const QSet<QString> withValue{"-o", "-MF", "-MT", "-MQ", "--output"};
    // Options that ask for an output or a dependency file on their own.
    static const QSet<QString> alone{
        "-c", "-E", "-S", "-M", "-MM", "-MD", "-MMD", "-MG", "-MP", "-fsyntax-only", "-save-temps", "-pipe"};
    QStringList result;
    qsizetype at = 0;
    while (at < arguments.size() && QFileInfo(arguments[at]).fileName() == QLatin1String("ccache")) ++at;
    for (qsizetype i = at; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (i == at) {
            result.append(a);
            continue;
        }
        if (withValue.contains(a)) {
            ++i;
            continue;
        }
        if (alone.contains(a) || a.startsWith(QLatin1String("-save-temps=")) ||
            a.startsWith(QLatin1String("--output=")) || a.startsWith(QLatin1String("-Wp,-M")))
            continue;
        if (a.size() > 2 && (a.startsWith(QLatin1String("-o")) || a.startsWith(QLatin1String("-MF")) ||
                             a.startsWith(QLatin1String("-MT")) || a.startsWith(QLatin1String("-MQ"))))
            continue;
        result.append(a);
    }
    result << QStringLiteral("-E") << QStringLiteral("-MD") << QStringLiteral("-MF") << depFile << QStringLiteral("-o")
           << iFile;
    return result;
}

}  // namespace command
