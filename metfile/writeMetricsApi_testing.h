// Pieces of the metrics writer that only tests call on their own: one
// document written alone, and the escaping of a text as an attribute value.
#pragma once

#include <QByteArray>
#include <QString>

struct MetFile;

// Writes one document under a name in the local encoding, as the run's list
// is written; 0 when written, 1 when the file could not be opened or written
// (reported on stderr).
int writeMetFile(MetFile *file, const QByteArray &name);
QString escapeXml(const QString &text);
