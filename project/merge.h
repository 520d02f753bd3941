// Combines the results of units analysed one by one into the metrics folder
// that one tarsk1 run over all of them, in database order, would write: the
// documents are tarsk1's own bytes; the decisions tarsk1 takes across its
// inputs (equal variants of a file dropped, variants numbered "#1", "#2" ...,
// output names shared by different files moved to a free number, the log)
// are replayed here.
#pragma once

#include "project/metdoc.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

struct MergedFile {
    QString outName;  // the metrics file's path, as the log names it
    int duplicate = 0;
    QByteArray bytes;
    MetDocument doc;
};

// unitFolders: the work folders of the successful units in database order.
// The result is in the order tarsk1 writes: the newest entry first.
bool mergeUnits(const QStringList &unitFolders, const QString &outDir, QVector<MergedFile> &files, QString &problem);

// Replaces the metrics files of the previous run in outDir by files, and
// writes the log "tarsk1.log" there.
bool writeMerged(const QString &outDir, const QVector<MergedFile> &files, QString &problem);
