// The two commands of tarsk1-project: analysing a compilation database into
// a metrics folder, and merging the metrics folders of several shards; both
// end with the reports and the gates.
#pragma once

#include "project/gates.h"

#include <QString>
#include <QStringList>

// Exit codes of tarsk1-project.
enum ExitCode { kClean = 0, kBreach = 1, kUnitFailed = 2, kCannotRun = 3 };

struct Options {
    QString database;
    int jobs = 1;
    int unitSeconds = 600;
    QString target;
    QString install;
    QString out;
    QString root;  // empty: the deepest folder holding every source
    QStringList includes;
    QStringList excludes;
    int shardK = 1;
    int shardN = 1;
    QString json, csv, sarif, html;
    QString baseline;
    Limits limits;
};

int analyseProject(const Options &options);
int mergeShards(const Options &options, const QStringList &shardDirs);
