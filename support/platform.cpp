// The host side of the program's paths: backslash paths become POSIX paths,
// names are matched case-insensitively as the program's file system would,
// and text-mode reading hands CR LF out as LF.
#include "support/platform.h"

#include "support/machine.h"

#include <QString>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// One directory's entries, read once: the exact names, and for each
// case-folded name the entries that carry it, in name order (the first
// answers a lookup).
struct DirectoryListing {
    bool readable = false;
    struct timespec modified = {};  // of the directory when it was read
    std::unordered_set<std::string> names;
    std::unordered_map<std::string, std::set<std::string>> byFoldedName;
};

std::unordered_map<std::string, DirectoryListing> listingCache;

bool sameTime(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

const DirectoryListing &listDirectory(const std::string &directory)
{
    auto found = listingCache.find(directory);
    if (found != listingCache.end()) return found->second;
    DirectoryListing &listing = listingCache[directory];
    DIR *dir = ::opendir(directory.c_str());
    if (!dir) return listing;
    struct stat st;
    if (::fstat(::dirfd(dir), &st) == 0) listing.modified = st.st_mtim;
    listing.readable = true;
    std::vector<std::string> names;
    while (const dirent *entry = ::readdir(dir)) names.emplace_back(entry->d_name);
    ::closedir(dir);
    for (const std::string &name : names) {
        listing.byFoldedName[upperCaseName(name)].insert(name);
        listing.names.insert(name);
    }
    return listing;
}

// The cache key of the directory that holds a host file, and the file's name.
std::pair<std::string, std::string> splitHostFile(const std::string &hostFile)
{
    const std::size_t slash = hostFile.rfind('/');
    if (slash == std::string::npos) return {".", hostFile};
    return {slash == 0 ? std::string("/") : hostFile.substr(0, slash), hostFile.substr(slash + 1)};
}

// The program's own changes to a directory keep its cached listing current;
// otherwise every file a run writes would make the next lookup in that
// directory read it again, which is quadratic in the files written. Entries
// that another process makes there while the run writes may go unseen for
// the rest of the run (they matter only to a name that differs from one of
// them in letter case).
void noteEntry(const std::string &hostFile, bool added)
{
    const auto [directory, name] = splitHostFile(hostFile);
    auto found = listingCache.find(directory);
    if (found == listingCache.end() || !found->second.readable) return;
    DirectoryListing &listing = found->second;
    struct stat st;
    if (::stat(directory.c_str(), &st) != 0) {
        listingCache.erase(found);
        return;
    }
    listing.modified = st.st_mtim;
    const std::string folded = upperCaseName(name);
    if (added) {
        listing.names.insert(name);
        listing.byFoldedName[folded].insert(name);
        return;
    }
    listing.names.erase(name);
    auto group = listing.byFoldedName.find(folded);
    if (group == listing.byFoldedName.end()) return;
    group->second.erase(name);
    if (group->second.empty()) listing.byFoldedName.erase(group);
}

// A name missing from a cached listing may have been created since: the
// directory is read again when it has changed.
const DirectoryListing &relistIfChanged(const std::string &directory, const DirectoryListing &listing)
{
    struct stat st;
    if (::stat(directory.c_str(), &st) != 0 || sameTime(st.st_mtim, listing.modified)) return listing;
    listingCache.erase(directory);
    return listDirectory(directory);
}

bool existsOnHost(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool hasDriveLetter(const std::string &path) { return path.size() >= 2 && path[1] == ':'; }

// Matches one component inside an already resolved directory; false when
// nothing in the directory answers to the name.
bool resolveComponent(const std::string &directory, const std::string &component, std::string &resolved)
{
    if (component.empty() || component == "." || component == "..") {
        resolved = component;
        return true;
    }
    const std::string where = directory.empty() ? std::string(".") : directory;
    const DirectoryListing *listing = &listDirectory(where);
    if (!listing->readable) {
        resolved = component;
        return existsOnHost(directory.empty() ? component : directory + "/" + component);
    }
    const std::string folded = upperCaseName(component);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (listing->names.count(component)) {
            resolved = component;
            return true;
        }
        auto match = listing->byFoldedName.find(folded);
        if (match != listing->byFoldedName.end()) {
            resolved = *match->second.begin();
            return true;
        }
        if (attempt == 0) listing = &relistIfChanged(where, *listing);
    }
    return false;
}

std::string resolveCaseInsensitively(const std::string &written)
{
    std::string result;
    std::size_t start = 0;
    if (!written.empty() && written[0] == '/') {
        result = "/";
        start = 1;
    }
    while (start <= written.size()) {
        std::size_t end = written.find('/', start);
        if (end == std::string::npos) end = written.size();
        const std::string component = written.substr(start, end - start);
        std::string directory = result;
        if (directory.size() > 1 && directory.back() == '/') directory.pop_back();
        std::string resolved;
        if (!resolveComponent(directory, component, resolved)) return written;
        result += resolved;
        if (end < written.size()) result += '/';
        start = end + 1;
    }
    return result;
}

// Text-mode reading: a cookie stream over the file descriptor that turns
// CR LF into LF. The reader keeps its own buffer so that a CR at the end of
// one refill can look at the first byte of the next.
struct TextReader {
    int fd;
    std::size_t position = 0;
    std::size_t length = 0;
    bool atEnd = false;
    char buffer[64 * 1024];
};

// Appends file bytes after the kept ones; false on a read error.
bool refill(TextReader *reader, std::size_t keep)
{
    std::move(reader->buffer + reader->position, reader->buffer + reader->length, reader->buffer);
    reader->position = 0;
    reader->length = keep;
    ssize_t got;
    do {
        got = ::read(reader->fd, reader->buffer + keep, sizeof reader->buffer - keep);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return false;
    if (got == 0) reader->atEnd = true;
    reader->length += static_cast<std::size_t>(got);
    return true;
}

// Copies the bytes up to the next CR in one piece; a CR is looked at alone.
extern "C" ssize_t textRead(void *cookie, char *out, size_t size)
{
    auto *reader = static_cast<TextReader *>(cookie);
    std::size_t written = 0;
    while (written < size) {
        if (reader->position == reader->length) {
            if (reader->atEnd || !refill(reader, 0)) break;
            if (reader->position == reader->length) break;
        }
        const char *from = reader->buffer + reader->position;
        const std::size_t available = std::min(reader->length - reader->position, size - written);
        const auto *cr = static_cast<const char *>(std::memchr(from, '\r', available));
        const std::size_t plain = cr ? static_cast<std::size_t>(cr - from) : available;
        std::memcpy(out + written, from, plain);
        reader->position += plain;
        written += plain;
        if (!cr) continue;
        char c = '\r';
        if (reader->position + 1 == reader->length && !reader->atEnd && !refill(reader, 1)) {
            if (written == 0) return -1;
            break;
        }
        if (reader->position + 1 < reader->length && reader->buffer[reader->position + 1] == '\n') {
            c = '\n';
            ++reader->position;
        }
        ++reader->position;
        out[written++] = c;
    }
    if (written == 0 && !reader->atEnd) return -1;
    return static_cast<ssize_t>(written);
}

extern "C" int textSeek(void *cookie, off64_t *position, int whence)
{
    // Only rewinding is meaningful: offsets of the converted text are not
    // offsets of the file.
    auto *reader = static_cast<TextReader *>(cookie);
    if (whence != SEEK_SET || *position != 0) {
        errno = EINVAL;
        return -1;
    }
    if (::lseek(reader->fd, 0, SEEK_SET) != 0) return -1;
    reader->position = reader->length = 0;
    reader->atEnd = false;
    return 0;
}

extern "C" int textClose(void *cookie)
{
    auto *reader = static_cast<TextReader *>(cookie);
    int result = ::close(reader->fd);
    delete reader;
    return result;
}

// Inputs, sources, option files and the log are regular files: a device
// would be read (or written) without end and a FIFO would block in open, so
// the open itself does not wait and anything else is refused (EISDIR for a
// directory, EINVAL otherwise). A descriptor in blocking mode, or -1.
int openRegularFile(const std::string &host, int flags)
{
    int fd;
    do {
        fd = ::open(host.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat st;
    int error = 0;
    if (::fstat(fd, &st) != 0) error = errno;
    else if (!S_ISREG(st.st_mode)) error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) error = errno;
    if (error == 0) return fd;
    ::close(fd);
    errno = error;
    return -1;
}

}  // namespace

bool isLocalText(const char *text, std::size_t length)
{
    const QByteArray bytes = QByteArray::fromRawData(text, static_cast<qsizetype>(length));
    return QString::fromLocal8Bit(bytes).toLocal8Bit() == bytes;
}

static std::string asciiUpperCase(std::string name)
{
    for (char &c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

std::string upperCaseName(const std::string &name)
{
    // Most names are plain ASCII, which upper-cases the same without the
    // round trip through the local encoding.
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return asciiUpperCase(name);
    const QByteArray bytes = QByteArray::fromRawData(name.data(), static_cast<qsizetype>(name.size()));
    const QString text = QString::fromLocal8Bit(bytes);
    if (text.toLocal8Bit() == bytes) return text.toUpper().toLocal8Bit().toStdString();
    return asciiUpperCase(name);
}

std::string plainHostPath(const char *path)
{
    std::string host(path ? path : "");
    std::replace(host.begin(), host.end(), '\\', '/');
    return host;
}

std::string hostPath(const char *path)
{
    const std::string written = plainHostPath(path);
    if (written.empty() || hasDriveLetter(written) || existsOnHost(written)) return written;
    return resolveCaseInsensitively(written);
}

std::string hostPathForCreating(const char *path)
{
    const std::string written = plainHostPath(path);
    const std::size_t slash = written.rfind('/');
    if (slash == std::string::npos || hasDriveLetter(written)) return written;
    if (slash == 0) return written;
    const std::string directory = hostPath(written.substr(0, slash).c_str());
    return directory + written.substr(slash);
}

std::string hostPathForWriting(const char *path)
{
    std::string host = hostPath(path);
    if (!existsOnHost(host)) host = hostPathForCreating(path);
    return host;
}

std::string programPath(const std::string &host)
{
    std::string program(host);
    std::replace(program.begin(), program.end(), '/', '\\');
    return program;
}

std::string hostCurrentDirectory()
{
    std::vector<char> buffer(1024);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
    return programPath(buffer.data());
}

FILE *openTextForReading(const char *path) { return openTextForReadingAsWritten(hostPath(path).c_str()); }

FILE *openTextForReadingAsWritten(const char *hostFile)
{
    const int fd = openRegularFile(hostFile, O_RDONLY);
    if (fd < 0) return nullptr;
    auto *reader = new TextReader;
    reader->fd = fd;
    cookie_io_functions_t functions = {textRead, nullptr, textSeek, textClose};
    FILE *stream = ::fopencookie(reader, "r", functions);
    // The stream's own record could not be had: out of memory, not a file
    // that cannot be opened.
    if (!stream && errno == ENOMEM) reportNoMemory();
    if (!stream) {
        const int error = errno;
        ::close(fd);
        delete reader;
        errno = error;
    }
    return stream;
}

// The log may be new: its directory's kept listing learns of it, as of
// every other creation of the program's own.
int openForAppending(const char *path)
{
    const std::string host = hostPathForWriting(path);
    const int fd = openRegularFile(host, O_WRONLY | O_APPEND | O_CREAT);
    if (fd >= 0) noteEntry(host, true);
    return fd;
}

bool existsAsWritten(const char *hostFile) { return existsOnHost(hostFile); }

bool statPath(const char *path, bool *isDirectory)
{
    struct stat st;
    if (::stat(hostPath(path).c_str(), &st) != 0) return false;
    if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
    return true;
}

bool moveOnHost(const std::string &from, const std::string &to) { return ::rename(from.c_str(), to.c_str()) == 0; }

void noteMovedOnHost(const std::string &from, const std::string &to)
{
    noteEntry(from, false);
    noteEntry(to, true);
}

// The mode a replaced file keeps, or the one a new file gets under the
// process's file-creation mask.
static mode_t modeForReplacing(const std::string &hostTarget)
{
    struct stat st;
    if (::stat(hostTarget.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string temporaryPattern(const std::string &hostTarget)
{
    return splitHostFile(hostTarget).first + "/tarsk1-XXXXXX.tmp";
}

int createTemporary(std::string &pattern, const std::string &hostTarget)
{
    const int fd = ::mkostemps(&pattern[0], 4, O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fchmod(fd, modeForReplacing(hostTarget)) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(pattern.c_str());
        errno = error;
        return -1;
    }
    return fd;
}

void noteCreatedOnHost(const std::string &hostFile) { noteEntry(hostFile, true); }

int openHostForRewriting(const std::string &hostFile) { return openRegularFile(hostFile, O_WRONLY | O_NOFOLLOW); }

bool writeWhole(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool removeOnHost(const std::string &hostFile)
{
    if (std::remove(hostFile.c_str()) != 0) return false;
    noteEntry(hostFile, false);
    return true;
}
