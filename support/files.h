// Path operations of the Windows-style file system the program works in,
// the split of a source path into its interned name and directory, the
// file-and-line reference of messages, and three string conversions.
// New strings come from allocZeroed and are released with releaseBlock.
#pragma once

struct _AlphaType;

char *joinPath(const char *dir, const char *name);
bool isRelativePath(const char *path);
bool fileExists(const char *path);
const char *currentDirectory();  // program form, ends with '\'
bool expandShortNames(const char *path, char **result);
// Drops "." and "name\.." pairs; always ends with a backslash.
char *normalizeDirectory(const char *path);
// Interned upper-case file name and absolute directory ("\SRC\" form, with
// the trailing backslash); a relative path starts at currentDirectory().
void splitSourcePath(const char *path, _AlphaType **name, _AlphaType **directory);
// The same for a path already interned (null for an empty path).
void splitInternedPath(const _AlphaType *path, _AlphaType **name, _AlphaType **directory);
bool sameSourceFile(const char *a, const char *b);
// The host path the source file of a split is read from: the path the input
// last wrote for that (name, directory) pair, when it exists on the host as
// written; null when there is none and the program path is to be matched
// case-insensitively instead.
const char *writtenSourcePath(const _AlphaType *name, const _AlphaType *directory);
// "[" + first + second + "," + number + "]"; second may be null.
char *makeLocationKey(const char *first, const char *second, unsigned number);
char *upperCopy(const char *text);
char *localToUtf8(const char *text);
char *utf8ToLocal(const char *text);
