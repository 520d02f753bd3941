// The XML writer of the metrics model: one ".met" document per entry of the
// run's metrics-file list. Every document is written under a temporary name
// first, and all are renamed into place only once all are complete, so a
// reader never meets a half-written file and a run cut short leaves none.
#include "metfile/writeMetricsApi.h"
#include "metfile/writeMetricsApi_testing.h"

#include "metfile/metfile.h"
#include "support/alpha.h"
#include "support/machine.h"
#include "support/platform.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

static void printToStderr(const QString &text) { std::fputs(text.toLocal8Bit().constData(), stderr); }

// ---- The document text ----------------------------------------------------

// Each character is replaced once, so "&lt;" in a name becomes "&amp;lt;".
// The escaped characters are ASCII, so escaping the UTF-8 bytes gives the
// bytes of the escaped text. Names may hold any byte but a document must
// stay well-formed: in an attribute value a tab, line feed or carriage
// return is written as a character reference (a parser would turn it into
// a blank), and the characters XML cannot carry at all (the other control
// characters, U+FFFE and U+FFFF) become U+FFFD.
static void appendEscaped(std::string &out, const QByteArray &utf8, bool attribute)
{
    static const char kReplacement[] = "\xef\xbf\xbd";
    const char *const end = utf8.constData() + utf8.size();
    for (const char *p = utf8.constData(); p != end; ++p) {
        const char c = *p;
        switch (c) {
        case '&': out += "&amp;"; continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '"': out += "&quot;"; continue;
        case '\t': out += attribute ? "&#9;" : "\t"; continue;
        case '\n': out += attribute ? "&#10;" : "\n"; continue;
        case '\r': out += attribute ? "&#13;" : "\r"; continue;
        default: break;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            out += kReplacement;
        } else if (c == '\xef' && end - p >= 3 && p[1] == '\xbf' && (p[2] == '\xbe' || p[2] == '\xbf')) {
            out += kReplacement;
            p += 2;
        } else {
            out += c;
        }
    }
}

QString escapeXml(const QString &text)
{
    std::string out;
    appendEscaped(out, text.toUtf8(), true);
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

// A text to be written escaped, as an attribute value or as element
// content; lives within one output expression.
struct Escaped {
    const QString &text;
    bool attribute;
};

static Escaped escaped(const QString &text) { return Escaped{text, true}; }
static Escaped escapedContent(const QString &text) { return Escaped{text, false}; }

// The document is built as UTF-8 bytes and handed to the file in large
// pieces: a run writes tens of thousands of items, and a text stream per
// piece is the slow part. A failed write is remembered for the end.
class DocumentText {
public:
    explicit DocumentText(FILE *stream) : stream_(stream) {}
    DocumentText &operator<<(const char *text)
    {
        bytes_ += text;
        return spill();
    }
    DocumentText &operator<<(char c)
    {
        bytes_ += c;
        return spill();
    }
    DocumentText &operator<<(int32_t value)
    {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        bytes_.append(digits, static_cast<std::size_t>(end - digits));
        return spill();
    }
    DocumentText &operator<<(const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        bytes_.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        return spill();
    }
    DocumentText &operator<<(const Escaped &text)
    {
        appendEscaped(bytes_, text.text.toUtf8(), text.attribute);
        return spill();
    }
    // Writes what is left; true when every byte reached the file.
    bool finish()
    {
        flush();
        return !failed_ && std::fflush(stream_) == 0;
    }

private:
    static constexpr std::size_t kPieceBytes = 64 * 1024;
    DocumentText &spill()
    {
        if (bytes_.size() >= kPieceBytes) flush();
        return *this;
    }
    void flush()
    {
        const std::size_t size = bytes_.size();
        if (!failed_ && size > 0 && std::fwrite(bytes_.data(), 1, size, stream_) != size) failed_ = true;
        bytes_.clear();
    }
    FILE *stream_;
    std::string bytes_;
    bool failed_ = false;
};

// ---- Metric groups ---------------------------------------------------------

static bool hasStructuralValue(const SourceItem *item)
{
    for (const MetricValue *slot = item->metrics; slot && slot->descriptor; ++slot) {
        const int group = slot->descriptor->group;
        if ((group == 0 || group == 3) && slot->value != -1) return true;
    }
    return false;
}

static void writeMetricGroup(DocumentText &out, const MetricValue *values, int group, const MetFile *file)
{
    for (const MetricValue *slot = values; slot && slot->descriptor; ++slot) {
        const MetricDescriptor *d = slot->descriptor;
        if (d->group != group || slot->value == -1) continue;
        if (d->optional && !file->writeOptionalMetrics) continue;
        // Descriptor names are plain identifiers: nothing in them to escape.
        out << "<METRIC Key=\"" << d->name << "\" Value=\"" << slot->value << "\"/>\n";
    }
}

static const MetricValue *findMetric(const MetricValue *values, const char *name)
{
    for (const MetricValue *slot = values; slot && slot->descriptor; ++slot)
        if (std::strcmp(slot->descriptor->name, name) == 0) return slot;
    return nullptr;
}

static void writeDerivedValue(DocumentText &out, const char *key, const QString &value)
{
    out << "<METRIC Key=\"" << key << "\" Value=\"" << value << "\"/>\n";
}

static QString fixedPoint(double value) { return QString::number(value, 'f', 2); }

// The derived Halstead values, computed from the four stored counts now.
static int writeHalsteadGroup(DocumentText &out, const MetFile *file)
{
    static const char *const names[4] = {"n1", "n2", "N1", "N2"};
    static const char *const missing[4] = {QT_TRANSLATE_NOOP("Error", "Error : can't find Halstead metric n1\n"),
                                           QT_TRANSLATE_NOOP("Error", "Error : can't find Halstead metric n2\n"),
                                           QT_TRANSLATE_NOOP("Error", "Error : can't find Halstead metric N1\n"),
                                           QT_TRANSLATE_NOOP("Error", "Error : can't find Halstead metric N2\n")};
    int32_t count[4];
    for (int i = 0; i < 4; ++i) {
        const MetricValue *slot = findMetric(file->metrics, names[i]);
        if (!slot) {
            printToStderr(translateText("Error", missing[i]));
            return 1;
        }
        count[i] = slot->value;
    }
    const int32_t n1 = count[0], n2 = count[1], N2 = count[3];
    const int32_t n = n1 + n2, N = count[2] + N2;
    const double volume = n == 0 ? 0.0 : (std::log(double(n)) / std::log(2.0)) * N;
    const double difficulty = n2 == 0 ? 0.0 : double((N2 / n2) * (n1 / 2));
    const double effort = volume * difficulty;
    const double errors = double(static_cast<long double>(volume) * (1.0L / 3000.0L));
    const double testingTime = double(static_cast<long double>(effort) * (1.0L / 18.0L));
    writeDerivedValue(out, "n1_n2", QString::number(n));
    writeDerivedValue(out, "N1_N2", QString::number(N));
    writeDerivedValue(out, "Volume", fixedPoint(volume));
    writeDerivedValue(out, "Difficulty", fixedPoint(difficulty));
    writeDerivedValue(out, "Effort", fixedPoint(effort));
    writeDerivedValue(out, "Errors", fixedPoint(errors));
    writeDerivedValue(out, "TestingTime", fixedPoint(testingTime));
    return 0;
}

// ---- Items -----------------------------------------------------------------

static void writeItemHead(DocumentText &out, const SourceItem *item, const char *tag, const QString &inherited,
                          const MetFile *file)
{
    out << '<' << tag << " Name=\"" << escaped(item->name) << "\" Line=\"" << item->line << "\" ";
    const int type = item->type;
    if (type == ITEM_METHOD || type == ITEM_CONSTRUCTOR || type == ITEM_DESTRUCTOR)
        out << " Class=\"" << escaped(item->className.isNull() ? inherited : item->className) << '"';
    if (hasStructuralValue(item)) {
        out << ">\n<METRICS>\n";
        writeMetricGroup(out, item->metrics, 0, file);
        writeMetricGroup(out, item->metrics, 3, file);
        out << "</METRICS>\n";
    } else {
        out << ">\n";
    }
    if (item->calls) {
        out << "<CALLS>\n";
        for (const Calls *call = item->calls; call; call = call->next) {
            out << " <CALL Name=\"" << escaped(call->name) << "\" ";
            if (!call->className.isNull()) out << "class=\"" << escaped(call->className) << "\" ";
            out << "/>\n";
        }
        out << "</CALLS>\n";
    }
}

// One open item list: the next item to write, the class name its items
// inherit, and the element to close once the list is done (none at the top).
struct OpenList {
    const SourceItem *cursor;
    QString inherited;
    const char *closeTag;
};

// Item nesting depth comes from the analysed source, hence the explicit stack.
static void writeItems(DocumentText &out, const MetFile *file)
{
    if (!file->items) return;
    out << "<ITEMS>\n";
    std::vector<OpenList> open{{file->items, QString(""), nullptr}};
    while (!open.empty()) {
        OpenList &list = open.back();
        const SourceItem *item = list.cursor;
        if (!item) {
            const char *closeTag = list.closeTag;
            open.pop_back();
            out << "</ITEMS>\n";
            if (closeTag) out << "</" << closeTag << ">\n";
            continue;
        }
        list.cursor = item->next;
        const char *tag = itemTypeName(item->type);
        if (!*tag) {
            printToStderr(translateText("Error", "Unknown item type : %1\n", "%1 is the item type").arg(item->type));
            continue;
        }
        if (!item->children && !hasStructuralValue(item)) continue;
        writeItemHead(out, item, tag, list.inherited, file);
        if (!item->children) {
            out << "</" << tag << ">\n";
            continue;
        }
        QString inherited = item->type == ITEM_CLASS ? item->name : list.inherited;
        out << "<ITEMS>\n";
        open.push_back({item->children, std::move(inherited), tag});
    }
}

// ---- Documents -------------------------------------------------------------

static void writeDocument(DocumentText &out, MetFile *file)
{
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    out << "<!-- Metrics Writer V"
        << "1.0"
        << " -->\n";
    out << "<FILE Name=\"" << escaped(file->fileName) << "\" Dir=\"" << escaped(file->dirPath) << "\">\n";
    writeItems(out, file);
    out << "<METRICS>\n";
    writeHalsteadGroup(out, file);
    writeMetricGroup(out, file->metrics, 2, file);
    out << "</METRICS>\n";
    if (file->errorCount != 0) out << "<OUTPUT Error=\"1\">\n" << escapedContent(file->errorText) << "\n</OUTPUT>\n";
    else out << "<OUTPUT Error=\"0\">\n</OUTPUT>\n";
    out << "</FILE>\n";
}

// ---- Temporary files ------------------------------------------------------

// Every document of a run is first written to a temporary file of its own;
// only when all are complete are they renamed into place. The temporaries
// that exist, for the handlers below: the first tempCount entries, each
// complete before it is counted.
static std::vector<std::string> tempFiles;
static volatile std::sig_atomic_t tempCount = 0;

static void removeTemps()
{
    const std::sig_atomic_t count = tempCount;
    tempCount = 0;
    for (std::sig_atomic_t i = 0; i < count; ++i)
        if (!tempFiles[i].empty()) ::unlink(tempFiles[i].c_str());
}

// A hang-up, interrupt, quit or termination before the documents are in
// place must leave none of them behind: remove the temporaries, then die of
// the signal as before.
extern "C" void onTerminatingSignal(int sig)
{
    removeTemps();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// A fatal or internal error (or the crash handler) ends the process through
// exit() or quick_exit(), which run this.
extern "C" void removeTempsAtExit() { removeTemps(); }

static const int kTerminatingSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};

static sigset_t terminatingSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kTerminatingSignals) sigaddset(&set, sig);
    return set;
}

// Holds the terminating signals back while the set of temporaries changes
// and while the documents move into place: a signal then arrives between
// two whole states, never inside one.
struct SignalsHeld {
    sigset_t previous;
    SignalsHeld()
    {
        const sigset_t set = terminatingSignals();
        ::sigprocmask(SIG_BLOCK, &set, &previous);
    }
    ~SignalsHeld() { ::sigprocmask(SIG_SETMASK, &previous, nullptr); }
};

struct TempGuard {
    using Handler = void (*)(int);
    Handler previous[sizeof kTerminatingSignals / sizeof kTerminatingSignals[0]];
    explicit TempGuard(std::size_t documents)
    {
        static bool atExitRegistered = false;
        if (!atExitRegistered)
            atExitRegistered = std::atexit(removeTempsAtExit) == 0 && std::at_quick_exit(removeTempsAtExit) == 0;
        tempCount = 0;
        tempFiles.clear();
        tempFiles.reserve(documents);
        // A signal the process was started to ignore stays ignored.
        for (size_t i = 0; i < sizeof previous / sizeof previous[0]; ++i) {
            previous[i] = std::signal(kTerminatingSignals[i], SIG_IGN);
            if (previous[i] != SIG_IGN) std::signal(kTerminatingSignals[i], onTerminatingSignal);
        }
    }
    ~TempGuard()
    {
        removeTemps();
        for (size_t i = 0; i < sizeof previous / sizeof previous[0]; ++i)
            std::signal(kTerminatingSignals[i], previous[i] == SIG_ERR ? SIG_DFL : previous[i]);
        std::vector<std::string>().swap(tempFiles);
    }
};

// A new temporary beside a target, entered in the set before it exists, so
// that no moment leaves it outside the clean-up; -1 when none can be created
// there.
static int createTemp(const std::string &hostTarget)
{
    tempFiles.push_back(temporaryPattern(hostTarget));
    int fd;
    {
        SignalsHeld held;
        fd = createTemporary(tempFiles.back(), hostTarget);
        if (fd >= 0) tempCount = static_cast<std::sig_atomic_t>(tempFiles.size());
    }
    if (fd < 0) {
        tempFiles.pop_back();
        return -1;
    }
    noteCreatedOnHost(tempFiles.back());
    return fd;
}

static void dropTemp(std::size_t index)
{
    removeOnHost(tempFiles[index]);
    tempFiles[index].clear();
}

static void reportUnwritable(const char *message, const QByteArray &name)
{
    printToStderr(translateText("Error", message, "%1 is the file name").arg(QString::fromLocal8Bit(name)));
}

static const char *const kCannotOpen = QT_TRANSLATE_NOOP("Error", "Cannot open the file %1 for writing\n");
static const char *const kCannotWrite = QT_TRANSLATE_NOOP("Error", "Cannot write the file %1\n");

// The whole document through an open descriptor, which is closed; false
// when a byte did not reach the file.
static bool writeDocumentTo(int fd, MetFile *file)
{
    FILE *stream = ::fdopen(fd, "w");
    if (!stream && errno == ENOMEM) reportNoMemory();
    if (!stream) {
        ::close(fd);
        return false;
    }
    DocumentText out(stream);
    writeDocument(out, file);
    const bool finished = out.finish();
    return std::fclose(stream) == 0 && finished;
}

// One document on its way to its final name. The first phase leaves here
// everything the second needs, so that the second makes system calls only
// and cannot run out of memory halfway through the set.
struct PendingDocument {
    enum { TEMPORARY, IN_PLACE, FAILED } how = FAILED;
    std::size_t tempIndex = 0;
    std::string hostTarget;
    std::string bytes;  // the document itself, for a rewrite in place
    std::string logRecord;
};

// The document in memory, for a file that can only be rewritten in place.
static void renderDocument(MetFile *file, std::string *bytes)
{
    char *buffer = nullptr;
    std::size_t size = 0;
    FILE *stream = ::open_memstream(&buffer, &size);
    if (!stream) reportNoMemory();
    DocumentText out(stream);
    writeDocument(out, file);
    const bool finished = out.finish();
    const bool closed = std::fclose(stream) == 0;
    if (!finished || !closed) reportNoMemory();
    bytes->assign(buffer, size);
    std::free(buffer);
}

// First phase: the document goes to a temporary beside its final name. Where
// no temporary can be created (a folder the user cannot write, holding a
// metrics file the user can), the existing file is rewritten in place in the
// second phase instead.
static void prepareDocument(MetFile *file, const QByteArray &finalName, PendingDocument &d)
{
    d.hostTarget = hostPathForWriting(finalName.constData());
    d.logRecord = toolLogRecord("MET", d.hostTarget.c_str());
    const int fd = createTemp(d.hostTarget);
    if (fd < 0) {
        const int probe = openHostForRewriting(d.hostTarget);
        if (probe >= 0) {
            ::close(probe);
            renderDocument(file, &d.bytes);
            d.how = PendingDocument::IN_PLACE;
            return;
        }
        reportUnwritable(kCannotOpen, finalName);
        return;
    }
    d.tempIndex = tempFiles.size() - 1;
    if (!writeDocumentTo(fd, file)) {
        // A short write (full disk, size limit) must not replace a good file
        // with a torn one.
        dropTemp(d.tempIndex);
        reportUnwritable(kCannotWrite, finalName);
        return;
    }
    d.how = PendingDocument::TEMPORARY;
}

// Second phase, with the terminating signals held: the document takes its
// final name. False after the report when it could not.
static bool placeDocument(PendingDocument &d, const QByteArray &finalName)
{
    if (d.how == PendingDocument::TEMPORARY) {
        if (moveOnHost(tempFiles[d.tempIndex], d.hostTarget)) return true;
        dropTemp(d.tempIndex);
        reportUnwritable(kCannotOpen, finalName);
        return false;
    }
    const int fd = openHostForRewriting(d.hostTarget);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) {
        if (fd >= 0) ::close(fd);
        reportUnwritable(kCannotOpen, finalName);
        return false;
    }
    const bool written = writeWhole(fd, d.bytes.data(), d.bytes.size());
    if (::close(fd) != 0 || !written) {
        reportUnwritable(kCannotWrite, finalName);
        return false;
    }
    return true;
}

// After the second phase: the moved temporaries are gone from the set, and
// the kept directory listings learn of the moves.
static void settleDocuments(std::vector<PendingDocument> &pending)
{
    for (PendingDocument &d : pending) {
        if (d.how != PendingDocument::TEMPORARY || tempFiles[d.tempIndex].empty()) continue;
        noteMovedOnHost(tempFiles[d.tempIndex], d.hostTarget);
        tempFiles[d.tempIndex].clear();
    }
}

// Writes the documents of the names given, newest first; the log gets one
// record per name. Returns how many could not be written.
static int writeDocuments(const std::vector<std::pair<MetFile *, QByteArray>> &documents)
{
    TempGuard guard(documents.size());
    std::vector<PendingDocument> pending(documents.size());
    for (std::size_t i = 0; i < documents.size(); ++i) {
        prepareDocument(documents[i].first, documents[i].second, pending[i]);
    }
    int unwritten = 0;
    {
        SignalsHeld held;
        for (std::size_t i = 0; i < documents.size(); ++i) {
            if (pending[i].how == PendingDocument::FAILED || !placeDocument(pending[i], documents[i].second))
                ++unwritten;
            writeToolLogRecord(pending[i].logRecord);
        }
    }
    settleDocuments(pending);
    return unwritten;
}

int writeMetFile(MetFile *file, const QByteArray &finalName) { return writeDocuments({{file, finalName}}); }

// ---- The run's list --------------------------------------------------------

// Output names are bytes: a name that is not text in the local encoding
// keeps every byte, so two such files never meet at one name.
static QByteArray naturalName(const QByteArray &directory, const QByteArray &fileName, int variant)
{
    QByteArray name = directory + '/' + fileName;
    if (variant > 0) name += '#' + QByteArray::number(variant);
    return name + ".met";
}

// The folder and name of an entry's file in the host's form: its directory
// without the final separator (the root keeps it), and its file name.
static std::pair<QByteArray, QByteArray> hostParts(const MetFileEntry *entry)
{
    QByteArray folder = QByteArray::fromStdString(plainHostPath(entry->directory->text));
    if (folder.size() > 1 && folder.endsWith('/')) folder.chop(1);
    return {folder, QByteArray(entry->name->text)};
}

static bool sameSource(const MetFileEntry *a, const MetFileEntry *b)
{
    return a->name == b->name && a->directory == b->directory;
}

// Output names depend on the file name only, so two different files of the
// same name would meet at one name. The file that arrived first in the run
// (the list's last entry) keeps it; a later one moves to the first "#n" that
// nobody else uses, and says so.
static std::vector<QByteArray> planOutputNames(const char *metricsDirectory, MetFileEntry *list)
{
    std::vector<const MetFileEntry *> arrival;
    for (const MetFileEntry *e = list; e; e = e->next) arrival.push_back(e);
    std::reverse(arrival.begin(), arrival.end());
    std::vector<QByteArray> names(arrival.size());
    std::vector<std::pair<QByteArray, QByteArray>> parts(arrival.size());
    QHash<QByteArray, const MetFileEntry *> owner;
    for (size_t i = 0; i < arrival.size(); ++i) {
        const MetFileEntry *e = arrival[i];
        parts[i] = hostParts(e);
        if (metricsDirectory) parts[i].first = QByteArray(metricsDirectory);
        names[i] = naturalName(parts[i].first, parts[i].second, e->duplicate);
        if (!owner.contains(names[i])) owner.insert(names[i], e);
    }
    // Where the search for a free "#n" may start, by natural name and lowest
    // variant: names are only ever taken, so the numbers passed over stay
    // taken, and thousands of files of one name do not search from 1 each.
    QHash<QPair<QByteArray, int>, int> searchFrom;
    for (size_t i = 0; i < arrival.size(); ++i) {
        const MetFileEntry *e = arrival[i];
        const MetFileEntry *holder = owner.value(names[i]);
        if (sameSource(holder, e)) continue;
        const QPair<QByteArray, int> search(naturalName(parts[i].first, parts[i].second, 0), e->duplicate + 1);
        int variant = std::max(e->duplicate + 1, searchFrom.value(search, 0));
        while (owner.contains(naturalName(parts[i].first, parts[i].second, variant))) ++variant;
        searchFrom.insert(search, variant + 1);
        const QByteArray moved = naturalName(parts[i].first, parts[i].second, variant);
        owner.insert(moved, e);
        printToStderr(translateText("Error", "The metrics file %1 belongs to %2: the metrics of %3 go to %4\n",
                                    "%1 and %4 are metrics file names, %2 and %3 source file names")
                          .arg(QString::fromLocal8Bit(names[i]), QString::fromLocal8Bit(holder->path),
                               QString::fromLocal8Bit(e->path), QString::fromLocal8Bit(moved)));
        names[i] = moved;
    }
    // Back to the order of writing: newest first.
    std::reverse(names.begin(), names.end());
    return names;
}

int writeMetricsFiles(const char *metricsDirectory, MetFileEntry *list)
{
    const std::vector<QByteArray> names = planOutputNames(metricsDirectory, list);
    std::vector<std::pair<MetFile *, QByteArray>> documents;
    documents.reserve(names.size());
    size_t i = 0;
    for (MetFileEntry *e = list; e; e = e->next, ++i) {
        e->file->writeOptionalMetrics = 0;
        documents.emplace_back(e->file, names[i]);
    }
    const int unwritten = writeDocuments(documents);
    releaseMetFileEntries(list);
    return unwritten;
}

void releaseMetFileEntries(MetFileEntry *list)
{
    while (list) {
        MetFileEntry *next = list->next;
        freeMetFile(list->file);
        releaseBlock(list->path);
        delete list;
        list = next;
    }
}
