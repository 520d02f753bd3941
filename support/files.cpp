// Path operations in the program's Windows form (backslashes, drive letters,
// case-insensitive names), the split of a source path into its interned
// upper-case name and directory, and the file-and-line key of messages.
#include "support/files.h"

#include "support/alpha.h"
#include "support/machine.h"
#include "support/platform.h"

#include <QString>

#include <cerrno>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

char *copyText(const char *text, std::size_t length)
{
    auto *copy = static_cast<char *>(allocZeroed(length + 1));
    std::memcpy(copy, text, length);
    return copy;
}

char *copyText(const std::string &text) { return copyText(text.data(), text.size()); }

char *copyText(const QByteArray &text) { return copyText(text.constData(), static_cast<std::size_t>(text.size())); }

// The components of a path between its separators; an empty text after the
// last separator is no component.
std::vector<std::string> splitComponents(const char *path)
{
    std::vector<std::string> components;
    std::string current;
    for (const char *p = path; *p; ++p) {
        if (isSeparator(*p)) {
            components.push_back(current);
            current.clear();
        } else {
            current += *p;
        }
    }
    if (!current.empty()) components.push_back(current);
    return components;
}

// An absolute path in backslash form without "." and ".." components or
// doubled separators, as the absolute file path of a file-information
// query gives it.
std::string absoluteSourcePath(const char *path)
{
    const std::string full = isRelativePath(path) ? std::string(currentDirectory()) + path : std::string(path);
    std::string root;
    std::size_t start = 0;
    if (full.size() >= 2 && full[1] == ':') {
        root = full.substr(0, 2);
        start = 2;
    }
    if (start < full.size() && isSeparator(full[start])) {
        root += '\\';
        ++start;
    }
    std::vector<std::string> kept;
    for (const std::string &component : splitComponents(full.c_str() + start)) {
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            if (!kept.empty() && kept.back() != "..") kept.pop_back();
            else if (root.empty()) kept.push_back(component);
            continue;
        }
        kept.push_back(component);
    }
    std::string result = root;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) result += '\\';
        result += kept[i];
    }
    return result;
}

// Every split made so far, by the interned path: line markers switch between
// a handful of files thousands of times. Valid only while the identifier
// table that holds its entries lives.
struct SplitResult {
    _AlphaType *name;
    _AlphaType *directory;
    bool existsAsWritten;  // the path names a host file byte for byte
};
struct SplitPairHash {
    std::size_t operator()(const std::pair<const _AlphaType *, const _AlphaType *> &p) const
    {
        return std::hash<const void *>()(p.first) * 31 + std::hash<const void *>()(p.second);
    }
};
// The split turns names upper case and backslashes into separators; the
// host may hold a.c beside A.c, or a backslash inside a name. So each split
// remembers the path last written for it that exists as written, and the
// source is read from there.
struct SplitCache {
    unsigned generation = 0;
    std::unordered_map<const _AlphaType *, SplitResult> byPath;
    std::unordered_map<std::pair<const _AlphaType *, const _AlphaType *>, const _AlphaType *, SplitPairHash> written;
    // The path split last and its result: line markers name the same file
    // again and again, and a repeat changes nothing in the maps.
    const _AlphaType *lastKey = nullptr;
    SplitResult lastSplit{};
};
SplitCache splits;

// The cache, emptied when the table that holds its entries has been emptied.
SplitCache &currentSplits()
{
    if (splits.generation != AlphaTableGeneration()) {
        splits.byPath.clear();
        splits.written.clear();
        splits.lastKey = nullptr;
        splits.generation = AlphaTableGeneration();
    }
    return splits;
}

void noteWrittenForm(const _AlphaType *path, const SplitResult &split)
{
    if (split.existsAsWritten) splits.written[{split.name, split.directory}] = path;
}

char *currentDirectoryText = nullptr;

}  // namespace

char *joinPath(const char *dir, const char *name)
{
    std::string joined(dir ? dir : "");
    if (joined.empty() || !isSeparator(joined.back())) joined += '\\';
    joined += name ? name : "";
    return copyText(joined);
}

bool isRelativePath(const char *path)
{
    if (!path || !*path) return true;
    return !(isSeparator(path[0]) || path[1] == ':');
}

bool fileExists(const char *path)
{
    if (statPath(path)) return true;
    errno = 0;
    return false;
}

const char *currentDirectory()
{
    if (currentDirectoryText) return currentDirectoryText;
    errno = 0;
    std::string directory = hostCurrentDirectory();
    if (directory.empty()) {
        const int error = errno;
        reportFatal(translateText("Assertion",
                                  "Cannot stat current working directory:", "Followed by a system-dependent message") +
                    QString::fromLocal8Bit(std::strerror(error)));
    }
    char *expanded = nullptr;
    if (expandShortNames(directory.c_str(), &expanded) && expanded) {
        directory = expanded;
        releaseBlock(expanded);
    }
    // The root directory already ends with its separator.
    if (directory.back() != '\\') directory += '\\';
    currentDirectoryText = copyText(directory);
    return currentDirectoryText;
}

bool expandShortNames(const char *path, char **result)
{
    // The host has no short names: every component, "~" or not, is already
    // its long form.
    if (result) *result = nullptr;
    return fileExists(path);
}

char *normalizeDirectory(const char *path)
{
    const char *rest = path ? path : "";
    std::vector<std::string> kept;
    const bool rooted = isSeparator(rest[0]);
    if (rooted) ++rest;
    for (const std::string &component : splitComponents(rest)) {
        if (component == ".") continue;
        if (component == ".." && !kept.empty() && kept.back() != "..") {
            kept.pop_back();
            continue;
        }
        kept.push_back(component);
    }
    std::string result = rooted ? "\\" : "";
    for (const std::string &component : kept) result += component + '\\';
    // Everything cancelled out: the directory the path started from.
    if (result.empty()) result = ".\\";
    return copyText(result);
}

void splitSourcePath(const char *path, _AlphaType **name, _AlphaType **directory)
{
    splitInternedPath(FindOrAddAlpha(path), name, directory);
}

void splitInternedPath(const _AlphaType *key, _AlphaType **name, _AlphaType **directory)
{
    SplitCache &cache = currentSplits();
    if (key && key == cache.lastKey) {
        *name = cache.lastSplit.name;
        *directory = cache.lastSplit.directory;
        return;
    }
    if (key) {
        auto known = cache.byPath.find(key);
        if (known != cache.byPath.end()) {
            noteWrittenForm(key, known->second);
            cache.lastKey = key;
            cache.lastSplit = known->second;
            *name = known->second.name;
            *directory = known->second.directory;
            return;
        }
    }
    const std::string absolute = absoluteSourcePath(key ? key->text : "");
    const std::size_t slash = absolute.find_last_of('\\');
    std::string folder = absolute.substr(0, slash == std::string::npos ? 0 : slash + 1);
    const std::string file = absolute.substr(folder.size());
    if (folder.empty() || folder.back() != '\\') folder += '\\';

    const SplitResult split{FindOrAddAlpha(upperCaseName(file).c_str()), FindOrAddAlpha(upperCaseName(folder).c_str()),
                            key && existsAsWritten(key->text)};
    if (key) {
        cache.byPath.emplace(key, split);
        noteWrittenForm(key, split);
        cache.lastKey = key;
        cache.lastSplit = split;
    }
    *name = split.name;
    *directory = split.directory;
}

bool sameSourceFile(const char *a, const char *b)
{
    _AlphaType *nameA, *directoryA, *nameB, *directoryB;
    splitSourcePath(a, &nameA, &directoryA);
    splitSourcePath(b, &nameB, &directoryB);
    return nameA == nameB && directoryA == directoryB;
}

const char *writtenSourcePath(const _AlphaType *name, const _AlphaType *directory)
{
    const SplitCache &cache = currentSplits();
    auto written = cache.written.find({name, directory});
    return written == cache.written.end() ? nullptr : written->second->text;
}

char *makeLocationKey(const char *first, const char *second, unsigned number)
{
    std::string key = "[";
    key += first ? first : "";
    key += second ? second : "";
    key += ',';
    key += std::to_string(number);
    key += ']';
    return copyText(key);
}

char *upperCopy(const char *text)
{
    const std::size_t length = text ? std::strlen(text) : 0;
    char *copy = copyText(text ? text : "", length);
    for (char *p = copy; *p; ++p) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    }
    return copy;
}

char *localToUtf8(const char *text) { return copyText(QString::fromLocal8Bit(text ? text : "").toUtf8()); }

char *utf8ToLocal(const char *text) { return copyText(QString::fromUtf8(text ? text : "").toLocal8Bit()); }
