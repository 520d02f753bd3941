// Summary, JSON, CSV and SARIF reports (see reports.h).
#include "project/reports.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <algorithm>

int ProjectResult::failedCount() const
{
    return int(std::count_if(units.begin(), units.end(), [](const UnitOutcome &u) { return !u.ok; }));
}

int ProjectResult::functionCount() const
{
    int n = 0;
    for (const MeasuredFile &f : files) n += f.merged->doc.functions.size();
    return n;
}

VgDistribution vgDistribution(const ProjectResult &result)
{
    VgDistribution d;
    for (const MeasuredFile &file : result.files)
        for (const MetFunction &f : file.merged->doc.functions)
            ++d.counts[f.vg <= 10 ? 0 : f.vg <= 20 ? 1 : f.vg <= 50 ? 2 : 3];
    return d;
}

QVector<RankedFunction> mostComplex(const ProjectResult &result, int n)
{
    QVector<RankedFunction> all;
    for (const MeasuredFile &file : result.files)
        for (const MetFunction &f : file.merged->doc.functions) all.append({&file, &f});
    auto higher = [](const RankedFunction &a, const RankedFunction &b) {
        if (a.function->vg != b.function->vg) return a.function->vg > b.function->vg;
        if (a.file->shownPath != b.file->shownPath) return a.file->shownPath < b.file->shownPath;
        return a.function->line < b.function->line;
    };
    const int keep = std::min(n, int(all.size()));
    std::partial_sort(all.begin(), all.begin() + keep, all.end(), higher);
    all.resize(keep);
    return all;
}

// ---- Summary ---------------------------------------------------------------

QString summaryText(const ProjectResult &result)
{
    const int failed = result.failedCount();
    const int reused =
        int(std::count_if(result.units.begin(), result.units.end(), [](const UnitOutcome &u) { return u.reused; }));
    QString s = QStringLiteral("units: %1 analysed (%2 unchanged), %3 failed, %4 skipped (not C)")
                    .arg(result.units.size() - failed)
                    .arg(reused)
                    .arg(failed)
                    .arg(result.skipped);
    if (result.leftOut) s += QStringLiteral(", %1 left out").arg(result.leftOut);
    s += QStringLiteral("\nmeasured: %1 files, %2 functions\n").arg(result.files.size()).arg(result.functionCount());
    const VgDistribution d = vgDistribution(result);
    s += QStringLiteral("VG: 1-10: %1, 11-20: %2, 21-50: %3, over 50: %4\n")
             .arg(d.counts[0])
             .arg(d.counts[1])
             .arg(d.counts[2])
             .arg(d.counts[3]);
    const QVector<RankedFunction> top = mostComplex(result, 10);
    if (!top.isEmpty()) s += QStringLiteral("most complex functions:\n");
    for (const RankedFunction &r : top)
        s += QStringLiteral("  VG %1  %2  %3:%4\n")
                 .arg(r.function->vg, 4)
                 .arg(r.function->name, -24)
                 .arg(r.file->shownPath)
                 .arg(r.function->line);
    if (failed) s += QStringLiteral("failed units:\n");
    for (const UnitOutcome &u : result.units)
        if (!u.ok) s += QStringLiteral("  %1: %2\n").arg(u.shownName, u.firstMessage);
    return s;
}

// ---- JSON ------------------------------------------------------------------

static QJsonObject functionJson(const MetFunction &f)
{
    return QJsonObject{
        {"name", f.name}, {"line", f.line}, {"VG", f.vg}, {"Statements", f.statements}, {"NestedLevel", f.nesting}};
}

// File metrics as numbers: counts are integers, derived values have two decimals.
static QJsonObject fileMetricsJson(const MetDocument &doc)
{
    QJsonObject metrics;
    for (const auto &[key, value] : doc.fileMetrics)
        metrics.insert(key, value.contains('.') ? QJsonValue(value.toDouble()) : QJsonValue(value.toInt()));
    return metrics;
}

bool writeJsonReport(const QString &file, const ProjectResult &result, QString &problem)
{
    QJsonArray files;
    for (const MeasuredFile &f : result.files) {
        QJsonArray functions;
        for (const MetFunction &fn : f.merged->doc.functions) functions.append(functionJson(fn));
        files.append(QJsonObject{{"path", f.shownPath},
                                 {"metricsFile", QDir(result.outDir).relativeFilePath(f.merged->outName)},
                                 {"variant", f.merged->duplicate},
                                 {"metrics", fileMetricsJson(f.merged->doc)},
                                 {"functions", functions}});
    }
    QJsonArray units;
    for (const UnitOutcome &u : result.units) {
        QJsonObject o{{"source", u.shownName}, {"ok", u.ok}};
        if (!u.ok) o.insert(QStringLiteral("message"), u.firstMessage);
        units.append(o);
    }
    const QJsonObject root{{"format", "tarsk1-project-report"},
                           {"version", kJsonReportVersion},
                           {"root", result.root},
                           {"skipped", result.skipped},
                           {"leftOut", result.leftOut},
                           {"units", units},
                           {"files", files}};
    return writeWholeFile(file, QJsonDocument(root).toJson(QJsonDocument::Indented), problem);
}

// ---- CSV -------------------------------------------------------------------

static QString csvField(const QString &text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n')) return text;
    return '"' + QString(text).replace('"', QStringLiteral("\"\"")) + '"';
}

bool writeCsvReport(const QString &file, const ProjectResult &result, QString &problem)
{
    QString text = QStringLiteral("path,function,line,VG,Statements,NestedLevel\n");
    for (const MeasuredFile &f : result.files)
        for (const MetFunction &fn : f.merged->doc.functions)
            text += QStringLiteral("%1,%2,%3,%4,%5,%6\n")
                        .arg(csvField(f.shownPath), csvField(fn.name))
                        .arg(fn.line)
                        .arg(fn.vg)
                        .arg(fn.statements)
                        .arg(fn.nesting);
    return writeWholeFile(file, text.toUtf8(), problem);
}

// ---- SARIF -----------------------------------------------------------------

static QJsonObject sarifRule(const char *metric, const char *text)
{
    return QJsonObject{{"id", QString::fromLatin1(metric)},
                       {"shortDescription", QJsonObject{{"text", QString::fromLatin1(text)}}}};
}

// Sources inside the project root are named relative to it, as code
// scanning services expect; others by their absolute file URI.
static QJsonObject sarifArtifact(const QString &path)
{
    if (path.startsWith('/')) return QJsonObject{{"uri", QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)}};
    return QJsonObject{{"uri", QString::fromLatin1(QUrl::toPercentEncoding(path, "/"))}, {"uriBaseId", "%SRCROOT%"}};
}

bool writeSarifReport(const QString &file, const ProjectResult &result, const QVector<Finding> &findings,
                      QString &problem)
{
    QJsonArray results;
    for (const Finding &f : findings) {
        const QJsonObject location{
            {"physicalLocation", QJsonObject{{"artifactLocation", sarifArtifact(f.path)},
                                             {"region", QJsonObject{{"startLine", std::max(1, f.line)}}}}}};
        results.append(QJsonObject{{"ruleId", f.metric},
                                   {"level", "warning"},
                                   {"message", QJsonObject{{"text", QStringLiteral("function '%1': %2 %3 exceeds %4")
                                                                        .arg(f.function, f.metric)
                                                                        .arg(f.value)
                                                                        .arg(f.limit)}}},
                                   {"locations", QJsonArray{location}}});
    }
    const QJsonObject driver{{"name", "tarsk1-project"},
                             {"rules", QJsonArray{sarifRule("VG", "Cyclomatic number above the limit"),
                                                  sarifRule("Statements", "Statement count above the limit"),
                                                  sarifRule("NestedLevel", "Nesting depth above the limit")}}};
    const QJsonObject run{
        {"tool", QJsonObject{{"driver", driver}}},
        {"originalUriBaseIds",
         QJsonObject{
             {"%SRCROOT%", QJsonObject{{"uri", QUrl::fromLocalFile(result.root + '/').toString(QUrl::FullyEncoded)}}}}},
        {"results", results}};
    const QJsonObject log{
        {"$schema", "https://json.schemastore.org/sarif-2.1.0.json"}, {"version", "2.1.0"}, {"runs", QJsonArray{run}}};
    return writeWholeFile(file, QJsonDocument(log).toJson(QJsonDocument::Indented), problem);
}
