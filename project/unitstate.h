// What a unit's last analysis depended on (its command, the tools, and the
// files the preprocessor read, with their sizes and times), kept in its work
// folder so that an unchanged unit is not analysed again.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

struct UnitState {
    QString fingerprint;  // the command, the tarsk1 executable, the target
    bool ok = false;
    QString firstMessage;
    QStringList dependencies;  // absolute paths the preprocessor read
};

// Size and modification time of files, each asked once per run.
class FileStamps {
public:
    QString stamp(const QString &path);  // empty when the file is missing
private:
    QHash<QString, QString> known_;
};

QString fingerprintOf(const QStringList &parts);

QString unitStateFile(const QString &folder);

// The state written after the unit's last analysis; false when none is
// readable or it was written by another version.
bool readUnitState(const QString &folder, UnitState &state);
void writeUnitState(const QString &folder, const UnitState &state, FileStamps &stamps);

// True when the state says the unit succeeded with this fingerprint and
// every file it read still has the recorded size and time.
bool unitUpToDate(const QString &folder, const QString &fingerprint, FileStamps &stamps, UnitState &state);

// The prerequisites of a make rule written by the preprocessor ("-MD"),
// relative ones resolved against the unit's directory.
QStringList readDependencyFile(const QString &path, const QString &directory);
