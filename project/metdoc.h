// Reading a metrics document written by tarsk1: the file it measures, its
// functions with their metrics, its file metrics, and the shape of its items
// as tarsk1 compares two variants of a file (names left out).
#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

struct MetFunction {
    QString name;
    int line = 0;
    int vg = -1;
    int statements = -1;
    int nesting = -1;
};

struct MetDocument {
    QString fileName;  // as the document names it (upper case)
    QString dir;
    QByteArray shape;                              // types, lines, classes and metric values of all items
    QVector<MetFunction> functions;                // in document order
    QVector<QPair<QString, QString>> fileMetrics;  // key, value as written

    QString sourcePath() const { return dir + '/' + fileName; }
};

bool parseMetDocument(const QByteArray &bytes, MetDocument &doc, QString &problem);
