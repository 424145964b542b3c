#pragma once

// Small file helpers shared by the tests of the system area and the dump files.

#include <QDateTime>
#include <QFile>
#include <QString>

inline bool writeFile(const QString &path, const QByteArray &data,
                      QIODevice::OpenMode mode = QIODevice::WriteOnly)
{
    QFile file(path);
    return file.open(mode) && file.write(data) == data.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool setModified(const QString &path, const QDateTime &time)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime);
}

// A shell program that stands in for another one; made executable.
inline bool writeProgram(const QString &path, const QByteArray &body, bool executable = true)
{
    if (!writeFile(path, "#!/bin/sh\n" + body + "\n"))
        return false;
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    return QFile::setPermissions(path, permissions);
}
