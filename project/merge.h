// Combines the results of units analysed one by one into the metrics folder
// that one tarsk1 run over all of them, in database order, would write: the
// documents are tarsk1's own bytes; the decisions tarsk1 takes across its
// inputs (equal variants of a file dropped, variants numbered "#1", "#2" ...,
// output names shared by different files moved to a free number, the log)
// are replayed here.
#pragma once

#include "project/metdoc.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

struct MergedFile {
    QString unitFile;  // the document in the unit's work folder
    QString outName;   // the metrics file's path, as the log names it
    int duplicate = 0;
    QByteArray bytes;
    MetDocument doc;
};

// Documents read by their bytes, each distinct one parsed once: a source
// compiled twice (for a shared and a static library) or a header included by
// many units gives equal documents.
class DocumentCache {
public:
    bool parse(const QByteArray &bytes, MetDocument &doc, QString &problem);

private:
    QHash<QByteArray, MetDocument> parsed_;
};

// The documents a unit's tarsk1 wrote into its work folder, in the order
// tarsk1 put them into its list.
bool readUnitDocuments(const QString &folder, DocumentCache &cache, QVector<MergedFile> &documents, QString &problem);

// unitDocuments: the documents of the successful units in database order.
// The result is in the order tarsk1 writes: the newest entry first.
QVector<MergedFile> mergeUnits(QVector<QVector<MergedFile>> &&unitDocuments, const QString &outDir);

// Replaces the metrics files of the previous run in outDir by files, and
// writes the log "tarsk1.log" there. A metrics file is a second name of the
// unit's document where the file system allows it: far cheaper than writing
// a new file, and the unit's document is never changed in place (a new
// analysis removes it first).
bool writeMerged(const QString &outDir, const QVector<MergedFile> &files, QString &problem);
