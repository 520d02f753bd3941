// Incremental state of a unit (see unitstate.h).
#include "project/unitstate.h"

#include "project/filewrite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

// The state file: this first line, the fingerprint, "1" or "0" for success,
// the number of dependencies, one "stamp<TAB>path" line for each (paths read
// from a dependency file hold neither tabs nor line ends), and the first
// message up to the end of the file, so that it needs no escaping.
static const QByteArray kStateHeader = QByteArrayLiteral("tarsk1-project unit state 3");

QString FileStamps::stamp(const QString &path)
{
    auto known = known_.constFind(path);
    if (known != known_.constEnd()) return known.value();
    const QFileInfo info(path);
    const QString value =
        info.exists() ? QString::number(info.size()) + ':' + QString::number(info.lastModified().toMSecsSinceEpoch())
                      : QString();
    known_.insert(path, value);
    return value;
}

QString fingerprintOf(const QStringList &parts)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(parts.join(QChar(0)).toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString unitStateFile(const QString &folder) { return folder + QStringLiteral("/state.txt"); }

// The line that starts at `at`, which moves past its end; false at the end
// of the text.
static bool nextLine(const QByteArray &text, qsizetype &at, QByteArrayView &line)
{
    const qsizetype end = text.indexOf('\n', at);
    if (end < 0) return false;
    line = QByteArrayView(text).sliced(at, end - at);
    at = end + 1;
    return true;
}

// The state and the recorded stamp of each dependency, in the same order.
static bool loadState(const QString &folder, UnitState &state, QStringList &stampsSeen)
{
    QFile file(unitStateFile(folder));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray text = file.readAll();
    qsizetype at = 0;
    QByteArrayView header, fingerprint, ok, count;
    if (!nextLine(text, at, header) || header != kStateHeader || !nextLine(text, at, fingerprint) ||
        !nextLine(text, at, ok) || !nextLine(text, at, count))
        return false;
    bool counted = false;
    const int dependencies = count.toInt(&counted);
    if (!counted) return false;
    state.fingerprint = QString::fromLatin1(fingerprint);
    state.ok = ok == "1";
    state.dependencies.clear();
    for (int i = 0; i < dependencies; ++i) {
        QByteArrayView line;
        if (!nextLine(text, at, line)) return false;
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0) return false;
        stampsSeen.append(QString::fromLatin1(line.first(tab)));
        state.dependencies.append(QString::fromUtf8(line.sliced(tab + 1)));
    }
    state.firstMessage = QString::fromUtf8(QByteArrayView(text).sliced(at));
    return true;
}

bool readUnitState(const QString &folder, UnitState &state)
{
    QStringList stampsSeen;
    return loadState(folder, state, stampsSeen);
}

void writeUnitState(const QString &folder, const UnitState &state, FileStamps &stamps)
{
    // Built as one text and encoded once: no conversion per dependency.
    QString text = QString::fromLatin1(kStateHeader) + '\n' + state.fingerprint + '\n' + (state.ok ? '1' : '0') + '\n' +
                   QString::number(state.dependencies.size()) + '\n';
    for (const QString &d : state.dependencies) {
        text += stamps.stamp(d);
        text += '\t';
        text += d;
        text += '\n';
    }
    text += state.firstMessage;
    // A state that cannot be written only costs a new analysis next time.
    QString problem;
    writeWholeFile(unitStateFile(folder), text.toUtf8(), problem);
}

bool unitUpToDate(const QString &folder, const QString &fingerprint, FileStamps &stamps, UnitState &state)
{
    QStringList stampsSeen;
    if (!loadState(folder, state, stampsSeen) || !state.ok || state.fingerprint != fingerprint) return false;
    for (qsizetype i = 0; i < stampsSeen.size(); ++i)
        if (stamps.stamp(state.dependencies[i]) != stampsSeen[i]) return false;
    return true;
}

// True for an absolute path without ".", ".." or empty components, which
// the preprocessor writes for most dependencies: nothing to clean.
static bool alreadyClean(QByteArrayView path)
{
    if (!path.startsWith('/') || path.endsWith('/')) return false;
    for (qsizetype i = 0; i + 1 < path.size(); ++i)
        if (path[i] == '/' && (path[i + 1] == '.' || path[i + 1] == '/')) return false;
    return true;
}

QStringList readDependencyFile(const QString &path, const QString &directory)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray text = file.readAll();
    const qsizetype colon = text.indexOf(": ");
    QStringList paths;
    QByteArray current;
    const QDir base(directory);
    // The path so far is current plus the text from runStart up to i.
    qsizetype runStart = colon < 0 ? text.size() : colon + 1;
    auto flush = [&](qsizetype i) {
        current.append(text.constData() + runStart, i - runStart);
        if (alreadyClean(current)) paths.append(QString::fromUtf8(current));
        else if (!current.isEmpty()) paths.append(QDir::cleanPath(base.absoluteFilePath(QString::fromUtf8(current))));
        current.truncate(0);  // keeps the buffer for the next path
    };
    qsizetype i = runStart;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && text[i + 1] == ' ') {
            current.append(text.constData() + runStart, i - runStart).append(' ');
            runStart = ++i + 1;
        } else if (c == '\\' && i + 1 < text.size() && text[i + 1] == '\n') {
            flush(i);
            runStart = ++i + 1;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            flush(i);
            runStart = i + 1;
        }
    }
    flush(i);
    return paths;
}
