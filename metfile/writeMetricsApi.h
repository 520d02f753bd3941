// The XML form of the metrics model: one ".met" document per metrics-file entry.
#pragma once

#include <QString>

struct MetFile;
struct MetFileEntry;

// Writes every entry (front to back), logs each name and releases the list.
void writeMetricsFiles(const char *metricsDirectory, MetFileEntry *list);
// Releases every entry of a metrics-file list: paths, files and cells.
void releaseMetFileEntries(MetFileEntry *list);
int writeMetFile(MetFile *file, const QString &name);
QString escapeXml(const QString &text);
