// The HTML report: one self-contained page (no network) with the summary,
// a histogram of VG and a chart of where complexity sits as inline SVG, and
// sortable tables of files, functions and findings.
#pragma once

#include "project/gates.h"
#include "project/projectresult.h"

#include <QString>
#include <QVector>

bool writeHtmlReport(const QString &file, const ProjectResult &result, const QVector<Finding> &findings,
                     QString &problem);
