#pragma once

// The documents of the FN archive page: one row per document number of the
// range asked for, filled in as the documents are read. Documents read once
// are kept while the program runs, so a range asked again, or a row chosen
// again, needs no reading.

#include <fndocumentreader.h>

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QSortFilterProxyModel>
#include <QVector>

struct MArchiveRow
{
    enum State { NotRead, Read, Failed };
    // Whether the OFD confirmed the document: the register answers "FF3C"
    // with its receipt, or with "no data" while it has none.
    enum Ofd { OfdUnknown, OfdConfirmed, OfdNotConfirmed };

    quint32 number = 0;
    State state = NotRead;
    Ofd ofd = OfdUnknown;
    ops::FnDocument doc; // what was read, also of a document read in part
    QString typeName;
    QDateTime time; // of tag 1012, as the register keeps it; invalid when none
    QString total;
    QString sign;
    QString error;
};

class MArchiveModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { ColNumber, ColType, ColTime, ColTotal, ColSign, ColOfd, ColumnCount };
    static constexpr int kTypeRole = Qt::UserRole + 1;
    static constexpr int kTimeRole = Qt::UserRole + 2;
    static constexpr int kOfdRole = Qt::UserRole + 3;
    static constexpr int kNumberRole = Qt::UserRole + 4;

    using QAbstractTableModel::QAbstractTableModel;

    // Shows the documents from..to (both included), those read before as read.
    void setRange(quint32 from, quint32 to);
    quint32 first() const { return m_first; }
    int count() const { return int(m_rows.size()); }

    // A document as it was read: whole, or marked with its error.
    void setDocument(const ops::FnDocument &doc, MArchiveRow::Ofd ofd);
    const MArchiveRow *rowAt(int row) const;
    int rowOf(quint32 number) const;
    // The first row of the range not yet read whole; count() when none.
    int firstUnread() const;
    int readCount() const;
    // The document types in the range: type code and name.
    QList<std::pair<int, QString>> types() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static MArchiveRow rowFor(const ops::FnDocument &doc, MArchiveRow::Ofd ofd);

private:
    quint32 m_first = 1;
    QVector<MArchiveRow> m_rows;
    QHash<quint32, MArchiveRow> m_kept; // every document read whole, by number
};

// The browse filters of the page: a document type, a date range and "not
// confirmed by the OFD". A filter on a property lets through only the rows
// known to have it: rows not read yet show only while no filter is on.
class MArchiveFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setType(int type); // -1: any
    // Either date may be null: open on that side.
    void setDates(const QDate &from, const QDate &to);
    void setUnconfirmedOnly(bool on);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    int m_type = -1;
    QDate m_from, m_to;
    bool m_unconfirmed = false;
};
