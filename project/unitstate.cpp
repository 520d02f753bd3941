// Incremental state of a unit (see unitstate.h).
#include "project/unitstate.h"

#include "project/filewrite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

static const int kStateFormat = 2;

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

static QString stateFile(const QString &folder) { return folder + QStringLiteral("/state.json"); }

// The state and the recorded stamp of each dependency, in the same order.
static bool loadState(const QString &folder, UnitState &state, QStringList &stampsSeen)
{
    QFile file(stateFile(folder));
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    if (o.value(QLatin1String("format")).toInt() != kStateFormat) return false;
    state.fingerprint = o.value(QLatin1String("fingerprint")).toString();
    state.ok = o.value(QLatin1String("ok")).toBool();
    state.firstMessage = o.value(QLatin1String("firstMessage")).toString();
    state.dependencies.clear();
    for (const QJsonValue &d : o.value(QLatin1String("dependencies")).toArray()) {
        state.dependencies.append(d.toArray().at(0).toString());
        stampsSeen.append(d.toArray().at(1).toString());
    }
    return true;
}

bool readUnitState(const QString &folder, UnitState &state)
{
    QStringList stampsSeen;
    return loadState(folder, state, stampsSeen);
}

void writeUnitState(const QString &folder, const UnitState &state, FileStamps &stamps)
{
    QJsonArray deps;
    for (const QString &d : state.dependencies) deps.append(QJsonArray{d, stamps.stamp(d)});
    const QJsonObject o{{"format", kStateFormat},
                        {"fingerprint", state.fingerprint},
                        {"ok", state.ok},
                        {"firstMessage", state.firstMessage},
                        {"dependencies", deps}};
    // A state that cannot be written only costs a new analysis next time.
    QString problem;
    writeWholeFile(stateFile(folder), QJsonDocument(o).toJson(QJsonDocument::Compact), problem);
}

bool unitUpToDate(const QString &folder, const QString &fingerprint, FileStamps &stamps, UnitState &state)
{
    QStringList stampsSeen;
    if (!loadState(folder, state, stampsSeen) || !state.ok || state.fingerprint != fingerprint) return false;
    for (qsizetype i = 0; i < stampsSeen.size(); ++i)
        if (stamps.stamp(state.dependencies[i]) != stampsSeen[i]) return false;
    return true;
}

QStringList readDependencyFile(const QString &path, const QString &directory)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromLocal8Bit(file.readAll());
    const qsizetype colon = text.indexOf(QLatin1String(": "));
    QStringList paths;
    QString current;
    const QDir base(directory);
    auto flush = [&]() {
        if (!current.isEmpty()) paths.append(QDir::cleanPath(base.absoluteFilePath(current)));
        current.clear();
    };
    for (qsizetype i = colon < 0 ? text.size() : colon + 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\n' || text[i + 1] == ' ')) {
            if (text[i + 1] == ' ') current += ' ';
            else flush();
            ++i;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            flush();
        } else {
            current += c;
        }
    }
    flush();
    return paths;
}
