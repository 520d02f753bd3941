// Whole-file writes (see filewrite.h).
#include "project/filewrite.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

bool writeWholeFile(const QString &file, const QByteArray &bytes, QString &problem)
{
    const QString temporary = file + '.' + QString::number(QCoreApplication::applicationPid()) + QStringLiteral(".tmp");
    QFile out(temporary);
    const bool written =
        out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size() && out.flush();
    const QString error = out.errorString();
    out.close();
    // rename() replaces the target in one step; QFile::rename would not.
    if (written && std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(file).constData()) == 0)
        return true;
    QFile::remove(temporary);
    problem =
        QStringLiteral("cannot write %1: %2").arg(file, written ? QStringLiteral("cannot rename into place") : error);
    return false;
}
