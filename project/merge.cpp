// The merge of unit results (see merge.h).
#include "project/merge.h"

#include "project/console.h"
#include "project/filewrite.h"
#include "project/runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>

#include <unistd.h>

static const char kLogName[] = "tarsk1.log";

bool DocumentCache::parse(const QByteArray &bytes, MetDocument &doc, QString &problem)
{
    const auto known = parsed_.constFind(bytes);
    if (known != parsed_.constEnd()) {
        doc = known.value();
        return true;
    }
    if (!parseMetDocument(bytes, doc, problem)) return false;
    parsed_.insert(bytes, doc);
    return true;
}

// The reverse of the unit's log.
bool readUnitDocuments(const QString &folder, DocumentCache &cache, QVector<MergedFile> &documents, QString &problem)
{
    QFile log(unitfiles::log(folder));
    if (!log.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("%1: no tarsk1 log").arg(folder);
        return false;
    }
    QVector<MergedFile> written;
    for (const QByteArray &line : log.readAll().split('\n')) {
        if (line.isEmpty()) continue;
        if (!line.startsWith("MET ")) {
            problem =
                QStringLiteral("%1: unexpected log line %2").arg(unitfiles::log(folder), QString::fromLocal8Bit(line));
            return false;
        }
        const QString name = QFileInfo(QString::fromLocal8Bit(line.mid(4))).fileName();
        MergedFile f;
        f.unitFile = folder + '/' + name;
        QFile document(f.unitFile);
        if (!document.open(QIODevice::ReadOnly)) {
            problem = QStringLiteral("%1: missing metrics file %2").arg(folder, name);
            return false;
        }
        f.bytes = document.readAll();
        if (!cache.parse(f.bytes, f.doc, problem)) {
            problem = QStringLiteral("%1: %2").arg(document.fileName(), problem);
            return false;
        }
        written.append(std::move(f));
    }
    std::reverse(written.begin(), written.end());
    for (MergedFile &f : written) documents.append(std::move(f));
    return true;
}

namespace {

QString naturalName(const QString &outDir, const MergedFile &f, int variant)
{
    QString name = outDir + '/' + f.doc.fileName;
    if (variant > 0) name += '#' + QString::number(variant);
    return name + QStringLiteral(".met");
}

// Output names as tarsk1 gives them: a file keeps its natural name unless an
// earlier file of another path holds it; then it takes the first free "#n"
// from its own number on, the search for a name resuming where the last
// search of that name ended.
void planOutputNames(const QString &outDir, QVector<MergedFile> &arrival)
{
    QHash<QString, QString> owner;  // output name -> source path
    for (MergedFile &f : arrival) {
        f.outName = naturalName(outDir, f, f.duplicate);
        if (!owner.contains(f.outName)) owner.insert(f.outName, f.doc.sourcePath());
    }
    QHash<QPair<QString, int>, int> searchFrom;
    for (MergedFile &f : arrival) {
        const QString holder = owner.value(f.outName);
        if (holder == f.doc.sourcePath()) continue;
        const QPair<QString, int> search(naturalName(outDir, f, 0), f.duplicate + 1);
        int variant = std::max(f.duplicate + 1, searchFrom.value(search, 0));
        while (owner.contains(naturalName(outDir, f, variant))) ++variant;
        searchFrom.insert(search, variant + 1);
        const QString moved = naturalName(outDir, f, variant);
        owner.insert(moved, f.doc.sourcePath());
        console::detail(QStringLiteral("the metrics file %1 belongs to %2: the metrics of %3 go to %4")
                            .arg(f.outName, holder, f.doc.sourcePath(), moved));
        f.outName = moved;
    }
}

}  // namespace

QVector<MergedFile> mergeUnits(QVector<QVector<MergedFile>> &&unitDocuments, const QString &outDir)
{
    QVector<MergedFile> arrival;
    QHash<QString, int> variants;             // source path -> variants kept
    QSet<QPair<QString, QByteArray>> shapes;  // source path and item shape kept
    for (QVector<MergedFile> &documents : unitDocuments) {
        for (MergedFile &f : documents) {
            const QString path = f.doc.sourcePath();
            if (shapes.contains({path, f.doc.shape})) continue;  // an equal variant is already kept
            shapes.insert({path, f.doc.shape});
            f.duplicate = variants[path]++;
            arrival.append(std::move(f));
        }
    }
    planOutputNames(outDir, arrival);
    std::reverse(arrival.begin(), arrival.end());
    return arrival;
}

// The metrics files the last merge wrote, from its log: only those are
// removed, whatever else the folder holds.
static QStringList previousOutput(const QString &outDir)
{
    QFile log(outDir + '/' + kLogName);
    QStringList names;
    if (!log.open(QIODevice::ReadOnly)) return names;
    for (const QByteArray &line : log.readAll().split('\n')) {
        const QString name = QFileInfo(QString::fromLocal8Bit(line.mid(4))).fileName();
        if (line.startsWith("MET ") && name.endsWith(QLatin1String(".met"))) names.append(name);
    }
    return names;
}

// The document under its merged name: a hard link to the unit's file, or,
// where none can be made (another file system, as for shards copied from
// elsewhere), its bytes written.
static bool placeDocument(const MergedFile &f, QString &problem)
{
    const QByteArray from = QFile::encodeName(f.unitFile), to = QFile::encodeName(f.outName);
    if (::link(from.constData(), to.constData()) == 0) return true;
    // A file of that name that the last merge did not write is replaced.
    if (errno == EEXIST && ::unlink(to.constData()) == 0 && ::link(from.constData(), to.constData()) == 0) return true;
    return writeWholeFile(f.outName, f.bytes, problem);
}

bool writeMerged(const QString &outDir, const QVector<MergedFile> &files, QString &problem)
{
    for (const QString &name : previousOutput(outDir)) QFile::remove(outDir + '/' + name);
    QByteArray log;
    for (const MergedFile &f : files) {
        if (!placeDocument(f, problem)) return false;
        log += "MET " + f.outName.toLocal8Bit() + '\n';
    }
    return writeWholeFile(outDir + '/' + kLogName, log, problem);
}
