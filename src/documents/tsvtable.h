#ifndef TSVTABLE_H
#define TSVTABLE_H

#include <QList>
#include <QString>
#include <QStringList>

// A table of the fiscal formats' data files: tab-separated UTF-8 lines, "#" lines
// are comments, the first other line names the columns.
class TsvTable
{
public:
    // The rows after the column line, each with exactly as many fields as there
    // are columns (missing ones empty, extra ones dropped). An unreadable file
    // gives no rows.
    static QList<QStringList> read(const QString &path);
};

#endif // TSVTABLE_H
