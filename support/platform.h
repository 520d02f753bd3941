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
// Where a file opened for writing lands: the existing entry when one answers
// to the name in any case, else a new entry named as written (as above).
std::string hostPathForWriting(const char *path);
// Separator change only, for Qt's file-information calls.
std::string plainHostPath(const char *path);
// Whether the bytes are text in the local encoding: they come back unchanged
// from a conversion to Unicode and back. Host names need not be.
bool isLocalText(const char *text, std::size_t length);
// A name in upper case, as the program's file system compares names: every
// letter when the name is text in the local encoding; only the ASCII letters
// when it is not, so that no byte is lost and two names never become one.
std::string upperCaseName(const std::string &name);
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
// A descriptor opened for appending, the file created when missing; -1
// with errno set on failure.
int openForAppending(const char *path);
// Status query; true when the path exists (file or directory).
bool statPath(const char *path, bool *isDirectory = nullptr);
// The name pattern of a temporary file beside a host file; createTemporary
// fills it in.
std::string temporaryPattern(const std::string &hostTarget);
// Creates a new, empty file under the pattern, whose X's it replaces in place
// by a name nobody can foresee (so no planted file or link can steer the
// write); it takes no memory, so the caller can first enter the name where
// its clean-up finds it. The mode is that of the target it is to replace or,
// when there is none, the mode a new file gets. A descriptor, or -1 with
// errno set.
int createTemporary(std::string &pattern, const std::string &hostTarget);
// A file the program created: its directory's kept listing learns of it.
void noteCreatedOnHost(const std::string &hostFile);
// Moves one host file onto another, and nothing else: no memory is taken,
// so a set of moves cannot stop halfway for want of it. noteMovedOnHost then
// tells the kept directory listings.
bool moveOnHost(const std::string &from, const std::string &to);
void noteMovedOnHost(const std::string &from, const std::string &to);
// Opens an existing regular host file for writing in place (its content kept
// until the caller truncates it), never through a link. -1 with errno set on
// failure.
int openHostForRewriting(const std::string &hostFile);
// Writes every byte, going on after interruptions and short writes; false
// when the file takes no more. Safe in a signal handler.
bool writeWhole(int fd, const char *data, std::size_t size);
// Removes a file the program created under a host path given by
// hostPathForWriting; keeps the case-insensitive lookups of its directory
// from reading the whole directory again.
bool removeOnHost(const std::string &hostFile);
