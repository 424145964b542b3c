#include "tsvtable.h"

#include <QFile>

QList<QStringList> TsvTable::read(const QString &path)
{
    QFile file(path);
    QList<QStringList> rows;
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    qsizetype columns = 0;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QStringList fields = line.split(QLatin1Char('\t'));
        if (columns == 0) {
            columns = fields.size();
            continue;
        }
        while (fields.size() < columns)
            fields.append(QString());
        rows.append(fields.mid(0, columns));
    }
    return rows;
}
