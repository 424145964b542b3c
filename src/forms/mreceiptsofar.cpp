#include "mreceiptsofar.h"

#include "mcommandtext.h"

#include <mtlvdocument.h>

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("MReceiptSoFar", text);
}

QString money(qint64 kopecks)
{
    return (kopecks < 0 ? QStringLiteral("-") : QString()) + MTLVDocument::moneyText(quint64(qAbs(kopecks)));
}

} // namespace

qint64 MReceiptSoFar::Line::sum() const
{
    // As the register books it: quantity times price, to the kopeck.
    const qint64 value = qRound64(quantity * double(price));
    return storno ? -value : value;
}

qint64 MReceiptSoFar::kopecks(double money)
{
    return qRound64(money * 100);
}

void MReceiptSoFar::open(int type)
{
    clear();
    m_open = true;
    m_type = type;
}

void MReceiptSoFar::clear()
{
    m_open = false;
    m_type = 0;
    m_lines.clear();
    m_adjustments.clear();
}

void MReceiptSoFar::addLine(const Line &line)
{
    m_lines.append(line);
}

void MReceiptSoFar::addAdjustment(const QString &name, qint64 amount)
{
    m_adjustments.append({name, amount});
}

qint64 MReceiptSoFar::total() const
{
    qint64 sum = 0;
    for (const Line &line : m_lines)
        sum += line.sum();
    for (const auto &adjustment : m_adjustments)
        sum += adjustment.second;
    return sum;
}

QList<QPair<QString, QString>> MReceiptSoFar::rows() const
{
    QList<QPair<QString, QString>> rows;
    for (const Line &line : m_lines) {
        rows.append({(line.storno ? tr("Сторно: ") : QString()) + line.name,
                     QStringLiteral("%1 × %2 = %3")
                         .arg(MCommandText::quantity(line.quantity), money(line.price), money(line.sum()))});
    }
    for (const auto &adjustment : m_adjustments) {
        const QString kind = adjustment.second < 0 ? tr("Скидка") : tr("Надбавка");
        rows.append({adjustment.first.isEmpty() ? kind : QStringLiteral("%1: %2").arg(kind, adjustment.first),
                     money(adjustment.second)});
    }
    rows.append({tr("Итого:"), money(total())});
    return rows;
}
