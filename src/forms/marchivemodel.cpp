#include "marchivemodel.h"

#include <documentformat.h>
#include <mtlvdocument.h>

namespace {

constexpr quint32 kMaxRows = 1000000; // no FN holds more documents

} // namespace

MArchiveRow MArchiveModel::rowFor(const ops::FnDocument &doc, MArchiveRow::Ofd ofd)
{
    MArchiveRow row;
    row.number = doc.number;
    row.doc = doc;
    row.ofd = ofd;
    row.state = doc.isComplete() ? MArchiveRow::Read : MArchiveRow::Failed;
    row.error = doc.isComplete() ? QString() : doc.error;
    const QList<MTLVDocument> items = doc.tlvItems();
    row.typeName = items.isEmpty() ? QString() : items.first().docTypeName();
    const QString date = DocumentFormat::dateText(items);
    if (!date.isEmpty())
        row.time = QDateTime::fromString(date, Qt::ISODate);
    row.total = DocumentFormat::totalText(items);
    row.sign = DocumentFormat::signText(items);
    return row;
}

void MArchiveModel::setRange(quint32 from, quint32 to)
{
    beginResetModel();
    m_rows.clear();
    from = qMax<quint32>(from, 1);
    if (to >= from) {
        to = qMin<quint64>(to, quint64(from) + kMaxRows - 1);
        m_rows.reserve(int(to - from + 1));
        for (quint64 n = from; n <= to; ++n) {
            const auto kept = m_kept.constFind(quint32(n));
            if (kept != m_kept.cend()) {
                m_rows.append(*kept);
            } else {
                MArchiveRow row;
                row.number = quint32(n);
                m_rows.append(row);
            }
        }
    }
    m_first = from;
    endResetModel();
}

void MArchiveModel::setDocument(const ops::FnDocument &doc, MArchiveRow::Ofd ofd)
{
    const MArchiveRow row = rowFor(doc, ofd);
    if (row.state == MArchiveRow::Read)
        m_kept.insert(row.number, row);
    const int at = rowOf(doc.number);
    if (at < 0)
        return;
    m_rows[at] = row;
    emit dataChanged(index(at, 0), index(at, ColumnCount - 1));
}

const MArchiveRow *MArchiveModel::rowAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? &m_rows.at(row) : nullptr;
}

int MArchiveModel::rowOf(quint32 number) const
{
    if (number < m_first || number - m_first >= quint32(m_rows.size()))
        return -1;
    return int(number - m_first);
}

int MArchiveModel::firstUnread() const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).state != MArchiveRow::Read)
            return i;
    }
    return int(m_rows.size());
}

int MArchiveModel::readCount() const
{
    return int(std::count_if(m_rows.cbegin(), m_rows.cend(),
                             [](const MArchiveRow &r) { return r.state == MArchiveRow::Read; }));
}

QList<std::pair<int, QString>> MArchiveModel::types() const
{
    QMap<int, QString> types;
    for (const MArchiveRow &r : m_rows) {
        if (r.state == MArchiveRow::Read)
            types.insert(r.doc.docType, r.typeName);
    }
    QList<std::pair<int, QString>> list;
    for (auto it = types.cbegin(); it != types.cend(); ++it)
        list.append({it.key(), it.value()});
    return list;
}

int MArchiveModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int MArchiveModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MArchiveModel::data(const QModelIndex &index, int role) const
{
    const MArchiveRow *r = rowAt(index.row());
    if (!r)
        return QVariant();
    switch (role) {
    case kTypeRole:
        return r->state == MArchiveRow::Read ? QVariant(int(r->doc.docType)) : QVariant();
    case kTimeRole:
        return r->time;
    case kOfdRole:
        return int(r->ofd);
    case kNumberRole:
        return r->number;
    case Qt::ToolTipRole:
        return r->error.isEmpty() ? QVariant() : QVariant(r->error);
    case Qt::DisplayRole:
        break;
    default:
        return QVariant();
    }
    switch (index.column()) {
    case ColNumber:
        return r->number;
    case ColType:
        if (r->state == MArchiveRow::Failed)
            return tr("Ошибка: %1").arg(r->error);
        return r->typeName;
    case ColTime:
        return r->time.isValid() ? r->time.toString(QStringLiteral("dd.MM.yyyy hh:mm")) : QString();
    case ColTotal:
        return r->total;
    case ColSign:
        return r->sign;
    case ColOfd:
        switch (r->ofd) {
        case MArchiveRow::OfdConfirmed:
            return tr("да");
        case MArchiveRow::OfdNotConfirmed:
            return tr("нет");
        case MArchiveRow::OfdUnknown:
            return r->state == MArchiveRow::NotRead ? QString() : tr("—");
        }
    }
    return QVariant();
}

QVariant MArchiveModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColNumber:
        return tr("Номер");
    case ColType:
        return tr("Тип");
    case ColTime:
        return tr("Дата и время");
    case ColTotal:
        return tr("Итог");
    case ColSign:
        return tr("ФП");
    case ColOfd:
        return tr("ОФД");
    }
    return QVariant();
}

void MArchiveFilter::setType(int type)
{
    m_type = type;
    invalidateFilter();
}

void MArchiveFilter::setDates(const QDate &from, const QDate &to)
{
    m_from = from;
    m_to = to;
    invalidateFilter();
}

void MArchiveFilter::setUnconfirmedOnly(bool on)
{
    m_unconfirmed = on;
    invalidateFilter();
}

bool MArchiveFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QModelIndex at = sourceModel()->index(sourceRow, 0, sourceParent);
    if (m_unconfirmed && at.data(MArchiveModel::kOfdRole).toInt() != MArchiveRow::OfdNotConfirmed)
        return false;
    const QVariant type = at.data(MArchiveModel::kTypeRole);
    if (m_type >= 0 && (!type.isValid() || type.toInt() != m_type))
        return false;
    if (m_from.isNull() && m_to.isNull())
        return true;
    const QDateTime time = at.data(MArchiveModel::kTimeRole).toDateTime();
    if (!time.isValid())
        return false;
    const QDate date = time.date();
    return (m_from.isNull() || date >= m_from) && (m_to.isNull() || date <= m_to);
}
