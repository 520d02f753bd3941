// The outcome of an analysis that every report reads: the units and what
// became of them, and the merged metrics files with the host path of their
// sources.
#pragma once

#include "project/merge.h"

#include <QString>
#include <QVector>

struct UnitOutcome {
    int index = 0;  // in the database
    QString shownName;
    bool ok = false;
    bool reused = false;
    QString firstMessage;
};

struct MeasuredFile {
    QString shownPath;  // host path of the source, relative to the root when inside it
    const MergedFile *merged = nullptr;
};

struct ProjectResult {
    QString root;
    QString outDir;
    QVector<UnitOutcome> units;   // in database order
    int skipped = 0;              // entries that are not C
    int leftOut = 0;              // C entries outside the filters or the shard
    QVector<MergedFile> merged;   // in tarsk1's order of writing
    QVector<MeasuredFile> files;  // the same files, oldest first

    int failedCount() const;
    int functionCount() const;
};
