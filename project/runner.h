// Analyses units in parallel: per unit, the preprocessor with the unit's own
// command, then tarsk1 on its output, each in the unit's directory and into
// the unit's own work folder. A failing unit never stops the others.
#pragma once

#include "project/database.h"
#include "project/merge.h"
#include "project/unitstate.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct ToolSetup {
    QString tarsk1;         // the executable
    QString target;         // MVRTGT
    QString install;        // CORVELDIR
    int unitSeconds = 600;  // longest a process of a unit may run
};

struct UnitRun {
    const Unit *unit = nullptr;
    QString shownName;  // for the progress line
    QString folder;     // the unit's work folder
    QStringList preprocess;
    QString fingerprint;
    bool reused = false;            // up to date, not analysed again
    UnitState state;                // after the run: ok, first message, dependencies
    QVector<MergedFile> documents;  // read right after a successful analysis
    bool documentsRead = false;
    qint64 preprocessNs = 0;
    qint64 toolNs = 0;
};

// File names inside a unit's work folder, beside the metrics files tarsk1
// writes there (whose names all end in ".met"), and the preprocessor's
// output beside the folder (written before the folder is ready).
namespace unitfiles {
inline QString log(const QString &folder) { return folder + QStringLiteral("/tarsk1.log"); }
inline QString messages(const QString &folder) { return folder + QStringLiteral("/messages.txt"); }
inline QString preprocessed(const QString &folder) { return folder + QStringLiteral(".i"); }
inline QString dependencies(const QString &folder) { return folder + QStringLiteral(".d"); }
}  // namespace unitfiles

// Prepares the commands and fingerprints of the units and marks those whose
// last analysis is still valid.
QVector<UnitRun> planUnits(const QVector<Unit> &units, const QString &workRoot, const QString &root,
                           const ToolSetup &tools, FileStamps &stamps);

// Runs the units not marked reused, at most `jobs` at a time.
// Reads the documents of each successful unit as it ends.
void runUnits(QVector<UnitRun> &runs, const ToolSetup &tools, int jobs, FileStamps &stamps, DocumentCache &documents);
