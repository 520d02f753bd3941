// Limits and baseline (see gates.h).
#include "project/gates.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

static QString baselineKey(const QString &path, const QString &function, const QString &metric)
{
    return path + QChar(0) + function + QChar(0) + metric;
}

QVector<Finding> findBreaches(const ProjectResult &result, const Limits &limits)
{
    QVector<Finding> findings;
    auto check = [&](const MeasuredFile &file, const MetFunction &f, const char *metric, int value, int limit) {
        if (limit >= 0 && value > limit)
            findings.append(Finding{file.shownPath, f.line, f.name, QString::fromLatin1(metric), value, limit});
    };
    for (const MeasuredFile &file : result.files) {
        for (const MetFunction &f : file.merged->doc.functions) {
            check(file, f, "VG", f.vg, limits.maxVg);
            check(file, f, "Statements", f.statements, limits.maxStatements);
            check(file, f, "NestedLevel", f.nesting, limits.maxNesting);
        }
    }
    return findings;
}

QString findingText(const Finding &f)
{
    return QStringLiteral("%1:%2: warning: function '%3': %4 %5 exceeds %6")
        .arg(f.path)
        .arg(f.line)
        .arg(f.function, f.metric)
        .arg(f.value)
        .arg(f.limit);
}

bool readBaseline(const QString &file, Baseline &baseline, QString &problem)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("cannot read the baseline %1: %2").arg(file, in.errorString());
        return false;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(in.readAll(), &error);
    const QJsonObject root = doc.object();
    if (doc.isNull() || root.value(QLatin1String("format")).toString() != QLatin1String("tarsk1-project-report")) {
        problem = QStringLiteral("the baseline %1 is not a JSON report of tarsk1-project").arg(file);
        return false;
    }
    for (const QJsonValue &fileValue : root.value(QLatin1String("files")).toArray()) {
        const QJsonObject f = fileValue.toObject();
        const QString path = f.value(QLatin1String("path")).toString();
        for (const QJsonValue &functionValue : f.value(QLatin1String("functions")).toArray()) {
            const QJsonObject fn = functionValue.toObject();
            const QString name = fn.value(QLatin1String("name")).toString();
            for (const char *metric : {"VG", "Statements", "NestedLevel"}) {
                // A function met in several variants counts with its largest value.
                const int value = fn.value(QLatin1String(metric)).toInt();
                int &known = baseline[baselineKey(path, name, QLatin1String(metric))];
                known = std::max(known, value);
            }
        }
    }
    return true;
}

QVector<Finding> withoutBaseline(const QVector<Finding> &findings, const Baseline &baseline)
{
    QVector<Finding> kept;
    for (const Finding &f : findings) {
        auto known = baseline.constFind(baselineKey(f.path, f.function, f.metric));
        if (known == baseline.constEnd() || f.value > known.value()) kept.append(f);
    }
    return kept;
}
