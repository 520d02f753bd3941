// Per-function limits for CI: breaches of --max-vg, --max-statements and
// --max-nesting, and the baseline that lets old breaches pass.
#pragma once

#include "project/projectresult.h"

#include <QHash>
#include <QString>
#include <QVector>

struct Limits {
    int maxVg = -1;  // -1: no limit
    int maxStatements = -1;
    int maxNesting = -1;
    bool any() const { return maxVg >= 0 || maxStatements >= 0 || maxNesting >= 0; }
};

struct Finding {
    QString path;  // relative to the project root
    int line = 0;
    QString function;
    QString metric;  // "VG", "Statements" or "NestedLevel"
    int value = 0;
    int limit = 0;
};

QVector<Finding> findBreaches(const ProjectResult &result, const Limits &limits);

// "path:line: warning: function 'f': VG 23 exceeds 15"
QString findingText(const Finding &f);

// The values of an earlier JSON report, by path, function and metric.
using Baseline = QHash<QString, int>;
bool readBaseline(const QString &file, Baseline &baseline, QString &problem);

// The breaches that are new or worse than in the baseline.
QVector<Finding> withoutBaseline(const QVector<Finding> &findings, const Baseline &baseline);
