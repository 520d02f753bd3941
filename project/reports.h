// The reports made from the merged metrics: the summary on the terminal,
// and the JSON, CSV and SARIF files.
#pragma once

#include "project/filewrite.h"
#include "project/gates.h"
#include "project/projectresult.h"

#include <QString>

// The version of the JSON report's layout; raised on every change that
// could break a reader.
constexpr int kJsonReportVersion = 1;

QString summaryText(const ProjectResult &result);

bool writeJsonReport(const QString &file, const ProjectResult &result, QString &problem);
bool writeCsvReport(const QString &file, const ProjectResult &result, QString &problem);
bool writeSarifReport(const QString &file, const ProjectResult &result, const QVector<Finding> &findings,
                      QString &problem);

// VG classes of the distribution: 1-10, 11-20, 21-50, over 50.
struct VgDistribution {
    int counts[4] = {0, 0, 0, 0};
};
VgDistribution vgDistribution(const ProjectResult &result);

struct RankedFunction {
    const MeasuredFile *file;
    const MetFunction *function;
};
// The n functions of highest VG, ties by path and line.
QVector<RankedFunction> mostComplex(const ProjectResult &result, int n);
