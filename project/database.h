// The compilation database: its entries read into units (one per entry that
// compiles C), the entries that are not C counted, the path filters applied.
#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>

struct Unit {
    int index = 0;          // position among the entries of the database
    QString directory;      // absolute, where the command runs
    QString file;           // absolute source path
    QString output;         // absolute object path, empty when not given
    QStringList arguments;  // the compile command, split
    QString id;             // stable name of the unit's work folder
};

struct Database {
    QString path;  // the compile_commands.json read
    QVector<Unit> units;
    int skipped = 0;   // entries that are not C
    int filtered = 0;  // C entries left out by --include / --exclude / --shard
};

// Reads -p PATH (a folder holding compile_commands.json, or the file).
// False with a message naming the entry when the database is unusable.
bool readDatabase(const QString &path, Database &db, QString &problem);

// The deepest folder that holds every unit's source.
QString commonRoot(const QVector<Unit> &units);

// Path filters on the source path relative to the root: a pattern without
// a slash matches any folder or the file name ("test" leaves out every
// test/ folder), one with a slash the path or a leading folder of it.
class PathFilter {
public:
    PathFilter(const QStringList &includes, const QStringList &excludes);
    bool passes(const QString &relativePath) const;

private:
    struct Pattern {
        QRegularExpression re;
        bool anyComponent;
    };
    static QVector<Pattern> compiled(const QStringList &patterns);
    static bool matchesAny(const QString &path, const QVector<Pattern> &patterns);
    QVector<Pattern> includes_;
    QVector<Pattern> excludes_;
};

// True when the unit belongs to shard k of n (1 <= k <= n).
bool inShard(const Unit &unit, int k, int n);
