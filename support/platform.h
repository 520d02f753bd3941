// The one place where the program's Windows-form paths (backslashes,
// case-insensitive names) meet the POSIX host. Every touch of the file
// system goes through here.
#pragma once

#include <cstdio>
#include <string>

// Host form of an existing path: backslashes become '/', and components that
// do not exist as written are matched case-insensitively (an exact-case entry
// wins, otherwise the first match in name order). A path that matches nothing
// comes back as written, with '/' separators.
std::string hostPath(const char *path);
// Host form of a file about to be created: its directory resolved as above,
// its last component kept as written.
std::string hostPathForCreating(const char *path);
// Separator change only, for Qt's file-information calls.
std::string plainHostPath(const char *path);
// Program form of a host path: '/' becomes '\'.
std::string programPath(const std::string &host);
// The host's current directory in program form, without a trailing separator;
// empty with errno set when it cannot be read.
std::string hostCurrentDirectory();

// Opens for reading in text mode: each CR LF reaches the reader as LF, a lone
// CR stays. nullptr with errno set on failure.
FILE *openTextForReading(const char *path);
// The same for a host path taken byte for byte (no separator change, no
// case-insensitive lookup).
FILE *openTextForReadingAsWritten(const char *hostFile);
// Whether a host path taken byte for byte names an existing file.
bool existsAsWritten(const char *hostFile);
FILE *openForAppending(const char *path);
FILE *openForWriting(const char *path);
// Status query; true when the path exists (file or directory).
bool statPath(const char *path, bool *isDirectory = nullptr);
// Renames a file inside the host file system (both paths in program form).
bool renamePath(const char *from, const char *to);
// A file the program created, or removes, under a host path given by
// hostPathForCreating: keeps the case-insensitive lookups of its directory
// from reading the whole directory again.
void noteCreatedOnHost(const std::string &hostFile);
bool removeOnHost(const std::string &hostFile);
