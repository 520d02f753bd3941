// Analysis and shard merge (see project.h).
#include "project/project.h"

#include "project/console.h"
#include "project/database.h"
#include "project/htmlreport.h"
#include "project/merge.h"
#include "project/reports.h"
#include "project/runner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>

#include <sys/resource.h>

namespace {

const char kWorkFolder[] = ".tarsk1-project";
const char kManifestFormat[] = "tarsk1-project-work";
const int kManifestVersion = 2;

QString workFolder(const QString &out) { return out + '/' + kWorkFolder; }
QString manifestFile(const QString &out) { return workFolder(out) + QStringLiteral("/manifest.json"); }

// A unit's result as the merge and the reports need it.
struct UnitResult {
    UnitOutcome outcome;
    QString folder;
    QStringList dependencies;
    QVector<MergedFile> documents;
    bool documentsRead = false;  // else read by the merge
};

// The manifest of a metrics folder, or false with a message; a missing one
// is fine for a folder about to be written.
bool readManifest(const QString &out, QJsonObject &manifest, QString &problem)
{
    QFile file(manifestFile(out));
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("%1 holds no results of tarsk1-project").arg(out);
        return false;
    }
    manifest = QJsonDocument::fromJson(file.readAll()).object();
    if (manifest.value(QLatin1String("format")).toString() != QLatin1String(kManifestFormat) ||
        manifest.value(QLatin1String("version")).toInt() != kManifestVersion) {
        problem =
            QStringLiteral("%1 was written by another version of tarsk1-project; remove it or choose another folder")
                .arg(out);
        return false;
    }
    return true;
}

// What the shards of one analysis share: the database's units after the
// path filters, and the root.
struct Share {
    QString root;
    int skipped = 0;
    int cUnits = 0;
    QString units;  // fingerprint of the names of those units
};

void writeManifest(const QString &out, const Share &share, const QVector<UnitResult> &units)
{
    QJsonArray list;
    for (const UnitResult &u : units)
        list.append(QJsonObject{{"index", u.outcome.index},
                                {"id", QFileInfo(u.folder).fileName()},
                                {"source", u.outcome.shownName},
                                {"ok", u.outcome.ok},
                                {"reused", u.outcome.reused},
                                {"message", u.outcome.firstMessage}});
    const QJsonObject manifest{
        {"format", kManifestFormat}, {"version", kManifestVersion}, {"root", share.root}, {"skipped", share.skipped},
        {"cUnits", share.cUnits},    {"share", share.units},        {"units", list}};
    QString problem;
    if (!writeWholeFile(manifestFile(out), QJsonDocument(manifest).toJson(), problem)) console::error(problem);
}

// Where the metrics documents name a source (upper case), the real path.
// Units share most of their dependencies: each is converted once.
QHash<QString, QString> hostPaths(const QVector<UnitResult> &units)
{
    QSet<QString> seen;
    QHash<QString, QString> paths;
    for (const UnitResult &u : units)
        for (const QString &d : u.dependencies)
            if (!seen.contains(d)) {
                seen.insert(d);
                paths.insert(d.toUpper(), d);
            }
    return paths;
}

QString shownPath(const QString &root, const QString &host)
{
    return host.startsWith(root + '/') ? host.mid(root.size() + 1) : host;
}

bool writeReports(const Options &o, const ProjectResult &result, const QVector<Finding> &findings)
{
    QString problem;
    bool ok = true;
    auto attempt = [&](bool written) {
        if (!written) console::error(problem);
        ok = ok && written;
    };
    if (!o.json.isEmpty()) attempt(writeJsonReport(o.json, result, problem));
    if (!o.csv.isEmpty()) attempt(writeCsvReport(o.csv, result, problem));
    if (!o.sarif.isEmpty()) attempt(writeSarifReport(o.sarif, result, findings, problem));
    if (!o.html.isEmpty()) attempt(writeHtmlReport(o.html, result, findings, problem));
    return ok;
}

// Merges the successful units into the metrics folder, reports, checks the
// gates, and gives the exit code.
int finish(const Options &o, ProjectResult &result, QVector<UnitResult> &units, DocumentCache &cache)
{
    QVector<QVector<MergedFile>> documents;
    QString problem;
    for (UnitResult &u : units) {
        if (!u.outcome.ok) continue;
        if (!u.documentsRead && !readUnitDocuments(u.folder, cache, u.documents, problem)) {
            console::error(problem);
            return kCannotRun;
        }
        documents.append(std::move(u.documents));
    }
    result.merged = mergeUnits(std::move(documents), result.outDir);
    if (!writeMerged(result.outDir, result.merged, problem)) {
        console::error(problem);
        return kCannotRun;
    }
    // A file named by a #line directive, not read by the preprocessor, keeps
    // the form tarsk1 gives it.
    const QHash<QString, QString> hosts = hostPaths(units);
    for (auto it = result.merged.crbegin(); it != result.merged.crend(); ++it) {
        const QString source = it->doc.sourcePath();
        result.files.append(MeasuredFile{shownPath(result.root, hosts.value(source, source)), &*it});
    }
    for (const UnitResult &u : units) result.units.append(u.outcome);

    QVector<Finding> findings = findBreaches(result, o.limits);
    if (!o.baseline.isEmpty()) {
        Baseline baseline;
        if (!readBaseline(o.baseline, baseline, problem)) {
            console::error(problem);
            return kCannotRun;
        }
        findings = withoutBaseline(findings, baseline);
    }
    if (console::level() != console::Level::Quiet) console::out(summaryText(result));
    for (const Finding &f : findings) console::out(findingText(f) + '\n');
    if (!writeReports(o, result, findings)) return kCannotRun;
    if (result.failedCount() > 0) return kUnitFailed;
    return findings.isEmpty() ? kClean : kBreach;
}

bool prepareOutDir(const QString &out)
{
    // The preprocessor writes into units/ before a unit's own folder is made.
    if (!QDir().mkpath(workFolder(out) + QStringLiteral("/units"))) {
        console::error(QStringLiteral("cannot create the metrics folder %1").arg(out));
        return false;
    }
    QJsonObject manifest;
    QString problem;
    if (QFile::exists(manifestFile(out)) && !readManifest(out, manifest, problem)) {
        console::error(problem);
        return false;
    }
    return true;
}

bool checkTools(const ToolSetup &tools)
{
    QString problem;
    if (!QFileInfo(tools.tarsk1).isExecutable())
        problem = QStringLiteral("tarsk1 is not beside tarsk1-project: %1").arg(tools.tarsk1);
    else if (!QFileInfo::exists(tools.target + QStringLiteral("/ana/mvct.def")))
        problem = QStringLiteral("the target folder %1 has no ana/mvct.def").arg(tools.target);
    else if (!QFileInfo(tools.install + QStringLiteral("/lib/locale")).isDir())
        problem = QStringLiteral("the installation folder %1 has no lib/locale").arg(tools.install);
    // tarsk1's own command line reads these characters in its arguments.
    else if (tools.tarsk1.contains(',') || tools.tarsk1.contains('$'))
        problem = QStringLiteral("the path %1 holds ',' or '$'").arg(tools.tarsk1);
    if (problem.isEmpty()) return true;
    console::error(problem);
    return false;
}

qint64 cpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const timeval &u = usage.ru_utime, &s = usage.ru_stime;
    return (u.tv_sec + s.tv_sec) * 1000 + (u.tv_usec + s.tv_usec) / 1000;
}

void logTimes(const QVector<UnitRun> &runs, qint64 wallMs)
{
    qint64 preprocess = 0, tool = 0;
    for (const UnitRun &r : runs) {
        preprocess += r.preprocessNs;
        tool += r.toolNs;
    }
    console::detail(QStringLiteral("time: wall %1 ms, preprocessor %2 ms, tarsk1 %3 ms (summed over units)")
                        .arg(wallMs)
                        .arg(preprocess / 1000000)
                        .arg(tool / 1000000));
    // CPU time tells the tool's own share even on a busy machine, where
    // waiting for a core stretches the wall time between processes.
    console::detail(QStringLiteral("cpu: tarsk1-project %1 ms, its processes %2 ms")
                        .arg(cpuMs(RUSAGE_SELF))
                        .arg(cpuMs(RUSAGE_CHILDREN)));
}

// With --verbose, everything a failed unit's processes said.
void showMessages(const UnitRun &run)
{
    QFile messages(unitfiles::messages(run.folder));
    if (console::level() != console::Level::Verbose || !messages.open(QIODevice::ReadOnly)) return;
    console::detail(
        QStringLiteral("%1 failed:\n%2").arg(run.shownName, QString::fromLocal8Bit(messages.readAll()).trimmed()));
}

}  // namespace

int analyseProject(const Options &o)
{
    QElapsedTimer clock;
    clock.start();
    Database db;
    QString problem;
    if (!readDatabase(o.database, db, problem)) {
        console::error(problem);
        return kCannotRun;
    }
    ProjectResult result;
    result.root = o.root.isEmpty() ? commonRoot(db.units) : QDir::cleanPath(QDir(o.root).absolutePath());
    result.outDir = QDir::cleanPath(QDir(o.out).absolutePath());
    result.skipped = db.skipped;
    const QString appDir = QCoreApplication::applicationDirPath();
    const ToolSetup tools{appDir + QStringLiteral("/tarsk1"), QDir::cleanPath(QDir(o.target).absolutePath()),
                          QDir::cleanPath(QDir(o.install).absolutePath()), o.unitSeconds};
    if (!checkTools(tools)) return kCannotRun;
    if (result.outDir.contains(',') || result.outDir.contains('$')) {
        console::error(QStringLiteral("the metrics folder %1 holds ',' or '$', which tarsk1 reads in its arguments")
                           .arg(result.outDir));
        return kCannotRun;
    }
    if (!prepareOutDir(result.outDir)) return kCannotRun;

    QVector<Unit> selected;
    Share share;
    share.root = result.root;
    share.skipped = db.skipped;
    QStringList names;
    const PathFilter filter(o.includes, o.excludes);
    for (const Unit &u : db.units) {
        if (!filter.passes(shownPath(result.root, u.file))) continue;
        names.append(u.id);
        if (inShard(u, o.shardK, o.shardN)) selected.append(u);
    }
    share.cUnits = names.size();
    share.units = fingerprintOf(names);
    result.leftOut = db.units.size() - selected.size();

    FileStamps stamps;
    QVector<UnitRun> runs = planUnits(selected, workFolder(result.outDir), result.root, tools, stamps);
    DocumentCache documents;
    runUnits(runs, tools, o.jobs, stamps, documents);

    QVector<UnitResult> units;
    for (UnitRun &r : runs) {
        units.append(UnitResult{UnitOutcome{r.unit->index, r.shownName, r.state.ok, r.reused, r.state.firstMessage},
                                r.folder, r.state.dependencies, std::move(r.documents), r.documentsRead});
        if (!r.state.ok && !r.reused) showMessages(r);
    }
    writeManifest(result.outDir, share, units);
    const int code = finish(o, result, units, documents);
    logTimes(runs, clock.elapsed());
    return code;
}

// Every unit of every shard, once, in database order.
static bool collectShardUnits(const QStringList &shardDirs, ProjectResult &result, QVector<UnitResult> &units,
                              int &cUnits)
{
    QSet<int> seen;
    QString shareSeen;
    for (const QString &dir : shardDirs) {
        QJsonObject manifest;
        QString problem;
        if (!readManifest(dir, manifest, problem)) {
            console::error(problem);
            return false;
        }
        const QString share = manifest.value(QLatin1String("share")).toString();
        if (!shareSeen.isEmpty() && share != shareSeen) {
            console::error(QStringLiteral("%1 was analysed from another database or other filters than %2")
                               .arg(dir, shardDirs.first()));
            return false;
        }
        shareSeen = share;
        if (result.root.isEmpty()) result.root = manifest.value(QLatin1String("root")).toString();
        result.skipped = manifest.value(QLatin1String("skipped")).toInt();
        cUnits = manifest.value(QLatin1String("cUnits")).toInt();
        for (const QJsonValue &v : manifest.value(QLatin1String("units")).toArray()) {
            const QJsonObject u = v.toObject();
            const int index = u.value(QLatin1String("index")).toInt();
            if (seen.contains(index)) continue;
            seen.insert(index);
            UnitResult r;
            r.folder = QDir::cleanPath(QDir(dir).absolutePath()) + '/' + kWorkFolder + QStringLiteral("/units/") +
                       u.value(QLatin1String("id")).toString();
            r.outcome =
                UnitOutcome{index, u.value(QLatin1String("source")).toString(), u.value(QLatin1String("ok")).toBool(),
                            u.value(QLatin1String("reused")).toBool(), u.value(QLatin1String("message")).toString()};
            UnitState state;
            if (!readUnitState(r.folder, state)) {
                console::error(
                    QStringLiteral("%1: the results of %2 are missing or unreadable").arg(dir, r.outcome.shownName));
                return false;
            }
            r.dependencies = state.dependencies;
            units.append(r);
        }
    }
    std::sort(units.begin(), units.end(),
              [](const UnitResult &a, const UnitResult &b) { return a.outcome.index < b.outcome.index; });
    return true;
}

int mergeShards(const Options &o, const QStringList &shardDirs)
{
    ProjectResult result;
    result.outDir = QDir::cleanPath(QDir(o.out).absolutePath());
    if (!o.root.isEmpty()) result.root = QDir::cleanPath(QDir(o.root).absolutePath());
    QVector<UnitResult> units;
    int cUnits = 0;
    if (!collectShardUnits(shardDirs, result, units, cUnits)) return kCannotRun;
    if (!QDir().mkpath(result.outDir)) {
        console::error(QStringLiteral("cannot create the metrics folder %1").arg(result.outDir));
        return kCannotRun;
    }
    result.leftOut = cUnits - units.size();
    if (result.leftOut > 0)
        console::warning(
            QStringLiteral("%1 units of the database are in none of the shards given").arg(result.leftOut));
    DocumentCache documents;
    return finish(o, result, units, documents);
}
