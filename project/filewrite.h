// Writing a whole file so that a reader sees the old or the new content,
// never a torn one: a temporary file beside it, renamed into place. No sync
// to disk: these files are results that a new run can make again.
#pragma once

#include <QByteArray>
#include <QString>

bool writeWholeFile(const QString &file, const QByteArray &bytes, QString &problem);
