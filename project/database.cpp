// Reading compile_commands.json (see database.h).
#include "project/database.h"

#include "project/command.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

static QString resolved(const QString &directory, const QString &path)
{
    return QDir::cleanPath(QDir(directory).absoluteFilePath(path));
}

static QString entryName(int index, const QJsonObject &entry)
{
    const QString file = entry.value(QLatin1String("file")).toString();
    return file.isEmpty() ? QStringLiteral("entry %1").arg(index + 1)
                          : QStringLiteral("entry %1 (%2)").arg(index + 1).arg(file);
}

static bool readArguments(const QJsonObject &entry, QStringList &arguments, QString &problem)
{
    const QJsonValue list = entry.value(QLatin1String("arguments"));
    if (list.isArray()) {
        for (const QJsonValue &a : list.toArray()) {
            if (!a.isString()) {
                problem = QStringLiteral("\"arguments\" holds a value that is not a string");
                return false;
            }
            arguments.append(a.toString());
        }
    } else if (entry.value(QLatin1String("command")).isString()) {
        if (!command::splitShellWords(entry.value(QLatin1String("command")).toString(), arguments, problem)) {
            problem = QStringLiteral("\"command\" cannot be split: ") + problem;
            return false;
        }
    } else {
        problem = QStringLiteral("neither \"arguments\" nor \"command\"");
        return false;
    }
    if (arguments.isEmpty()) {
        problem = QStringLiteral("the command is empty");
        return false;
    }
    return true;
}

static bool readUnit(int index, const QJsonValue &value, Unit &unit, QString &problem)
{
    if (!value.isObject()) {
        problem = QStringLiteral("entry %1: not an object").arg(index + 1);
        return false;
    }
    const QJsonObject entry = value.toObject();
    const QString directory = entry.value(QLatin1String("directory")).toString();
    const QString file = entry.value(QLatin1String("file")).toString();
    QString why;
    if (directory.isEmpty()) why = QStringLiteral("no \"directory\"");
    else if (QDir::isRelativePath(directory)) why = QStringLiteral("\"directory\" is not absolute");
    else if (file.isEmpty()) why = QStringLiteral("no \"file\"");
    if (why.isEmpty()) readArguments(entry, unit.arguments, why);
    if (!why.isEmpty()) {
        problem = entryName(index, entry) + QStringLiteral(": ") + why;
        return false;
    }
    unit.index = index;
    unit.directory = QDir::cleanPath(directory);
    unit.file = resolved(unit.directory, file);
    const QString output = entry.value(QLatin1String("output")).toString();
    unit.output = output.isEmpty() ? QString() : resolved(unit.directory, output);
    return true;
}

// The same entry read again gets the same name; equal entries get a count.
static void nameUnits(QVector<Unit> &units)
{
    QHash<QString, int> seen;
    for (Unit &u : units) {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        hash.addData((u.directory + '\n' + u.file + '\n' + u.output + '\n' + u.arguments.join('\n')).toUtf8());
        const QString base =
            QFileInfo(u.file).completeBaseName() + '-' + QString::fromLatin1(hash.result().toHex().left(12));
        const int count = seen[base]++;
        u.id = count == 0 ? base : base + '-' + QString::number(count);
    }
}

bool readDatabase(const QString &path, Database &db, QString &problem)
{
    QFileInfo where(path);
    db.path = where.isDir() ? QDir(path).filePath(QStringLiteral("compile_commands.json")) : path;
    QFile file(db.path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("cannot read the compilation database %1: %2").arg(db.path, file.errorString());
        return false;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (doc.isNull()) {
        problem = QStringLiteral("%1 is not JSON: %2 at byte %3").arg(db.path, error.errorString()).arg(error.offset);
        return false;
    }
    if (!doc.isArray()) {
        problem = QStringLiteral("%1 is not a list of entries").arg(db.path);
        return false;
    }
    const QJsonArray entries = doc.array();
    for (int i = 0; i < entries.size(); ++i) {
        Unit unit;
        if (!readUnit(i, entries[i], unit, problem)) {
            problem = db.path + QStringLiteral(": ") + problem;
            return false;
        }
        if (command::isCUnit(unit.arguments, unit.file)) db.units.append(unit);
        else ++db.skipped;
    }
    nameUnits(db.units);
    return true;
}

QString commonRoot(const QVector<Unit> &units)
{
    if (units.isEmpty()) return QDir::currentPath();
    QString root = QFileInfo(units.first().file).path();
    for (const Unit &u : units) {
        while (!(u.file.startsWith(root + '/') || root == QLatin1String("/"))) root = QFileInfo(root).path();
    }
    return root;
}

PathFilter::PathFilter(const QStringList &includes, const QStringList &excludes)
    : includes_(compiled(includes)), excludes_(compiled(excludes))
{}

QVector<PathFilter::Pattern> PathFilter::compiled(const QStringList &patterns)
{
    QVector<Pattern> result;
    for (const QString &p : patterns)
        result.append(
            Pattern{QRegularExpression(QRegularExpression::wildcardToRegularExpression(p)), !p.contains('/')});
    return result;
}

// A pattern without a slash matches any component of the path (a folder
// or the file name), one with a slash the path or a leading folder of it.
bool PathFilter::matchesAny(const QString &path, const QVector<Pattern> &patterns)
{
    for (const Pattern &pattern : patterns) {
        if (pattern.anyComponent) {
            for (const QString &component : path.split('/'))
                if (pattern.re.match(component).hasMatch()) return true;
            continue;
        }
        for (qsizetype slash = path.indexOf('/'); slash >= 0; slash = path.indexOf('/', slash + 1))
            if (pattern.re.match(path.left(slash)).hasMatch()) return true;
        if (pattern.re.match(path).hasMatch()) return true;
    }
    return false;
}

bool PathFilter::passes(const QString &relativePath) const
{
    if (!includes_.isEmpty() && !matchesAny(relativePath, includes_)) return false;
    return !matchesAny(relativePath, excludes_);
}

bool inShard(const Unit &unit, int k, int n)
{
    // The unit's name hashes its entry, so the share does not depend on the
    // machine, the order of the database or the other entries.
    const QByteArray digest = QCryptographicHash::hash(unit.id.toUtf8(), QCryptographicHash::Sha1);
    quint32 value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | quint8(digest[i]);
    return int(value % quint32(n)) == k - 1;
}
