// The XML form of the metrics model: one ".met" document per metrics-file entry.
#pragma once

#include <cstdint>

struct MetFile;
struct _AlphaType;

// One metrics file of the run's list, as the metrics pass hands it over.
// The interned pair that the source path splits to is the file's identity:
// equal pairs, same file.
struct MetFileEntry {
    const _AlphaType *name;       // upper-case file name
    const _AlphaType *directory;  // program form, ends with a backslash
    char *path;                   // owned: directory text + file-name text
    int32_t duplicate;            // variants of the same path that joined the list before
    MetFile *file;                // owned
    MetFileEntry *next;
};

// Writes every entry (front to back), logs each name and releases the list;
// returns the number of files that could not be written (each one reported).
int writeMetricsFiles(const char *metricsDirectory, MetFileEntry *list);
// Releases every entry of a metrics-file list: paths, files and cells.
void releaseMetFileEntries(MetFileEntry *list);
