#include "registerstate.h"

#include <QJsonArray>

namespace kelo::emu {

namespace {

constexpr int kPaperLines = 500;

QDateTime naive(const QString &text)
{
    const QDateTime t = QDateTime::fromString(text, Qt::ISODate);
    return t.isValid() ? QDateTime(t.date(), t.time(), Qt::UTC) : QDateTime();
}

QString number(quint64 v)
{
    return QString::number(v);
}

quint64 number(const QJsonValue &v)
{
    return v.toString().toULongLong();
}

} // namespace

qint64 RegisterState::Line::total() const
{
    const qint64 value =
        static_cast<qint64>(amount) - static_cast<qint64>(discount) + static_cast<qint64>(surcharge);
    return storno ? -value : value;
}

qint64 RegisterState::Receipt::total() const
{
    qint64 sum = 0;
    for (const Line &line : lines)
        sum += line.total();
    return sum - adjustmentTotal(false) + adjustmentTotal(true);
}

qint64 RegisterState::Receipt::adjustmentTotal(bool surcharge) const
{
    qint64 sum = 0;
    for (const Adjustment &a : adjustments) {
        if (a.surcharge == surcharge)
            sum += a.storno ? -static_cast<qint64>(a.amount) : static_cast<qint64>(a.amount);
    }
    return sum;
}

bool RegisterState::Receipt::hasSale() const
{
    for (const Line &line : lines) {
        if (!line.storno)
            return true;
    }
    return false;
}

void RegisterState::print(const QString &line)
{
    printed.append(line);
    while (printed.size() > kPaperLines)
        printed.removeFirst();
}

QJsonObject RegisterState::toJson() const
{
    QJsonArray lines;
    for (const Line &l : receipt.lines) {
        lines.append(QJsonObject{{QStringLiteral("name"), l.name},
                                 {QStringLiteral("quantity"), number(l.quantity)},
                                 {QStringLiteral("price"), number(l.price)},
                                 {QStringLiteral("amount"), number(l.amount)},
                                 {QStringLiteral("discount"), number(l.discount)},
                                 {QStringLiteral("surcharge"), number(l.surcharge)},
                                 {QStringLiteral("taxGroup"), l.taxGroup},
                                 {QStringLiteral("department"), l.department},
                                 {QStringLiteral("barcode"), number(l.barcode)},
                                 {QStringLiteral("storno"), l.storno}});
    }
    QJsonArray adjustments;
    for (const Adjustment &a : receipt.adjustments) {
        adjustments.append(QJsonObject{{QStringLiteral("name"), a.name},
                                       {QStringLiteral("amount"), number(a.amount)},
                                       {QStringLiteral("surcharge"), a.surcharge},
                                       {QStringLiteral("storno"), a.storno}});
    }
    QJsonArray extras;
    for (const auto &item : receipt.extraItems) {
        extras.append(QJsonObject{{QStringLiteral("tag"), item.first},
                                  {QStringLiteral("value"), QString::fromLatin1(item.second.toHex())}});
    }
    return QJsonObject{
        {QStringLiteral("serialNumber"), number(serialNumber)},
        {QStringLiteral("clockOffsetSecs"), clockOffsetSecs},
        {QStringLiteral("datePending"), datePending},
        {QStringLiteral("pendingDate"), pendingDate.toString(Qt::ISODate)},
        {QStringLiteral("shiftOpen"), shiftOpen},
        {QStringLiteral("shiftNumber"), shiftNumber},
        {QStringLiteral("lastClosedShift"), lastClosedShift},
        {QStringLiteral("receiptsInShift"), receiptsInShift},
        {QStringLiteral("documentsInShift"), documentsInShift},
        {QStringLiteral("shiftOpenedAt"), shiftOpenedAt.toString(Qt::ISODate)},
        {QStringLiteral("documentCounter"), documentCounter},
        {QStringLiteral("testRun"), testRun},
        {QStringLiteral("baudCode"), baudCode},
        {QStringLiteral("exchangeTimeout"), exchangeTimeout},
        {QStringLiteral("printed"), QJsonArray::fromStringList(printed)},
        {QStringLiteral("receipt"), QJsonObject{{QStringLiteral("open"), receipt.open},
                                                {QStringLiteral("type"), receipt.type},
                                                {QStringLiteral("operation"), receipt.operation},
                                                {QStringLiteral("operatorNo"), receipt.operatorNo},
                                                {QStringLiteral("lines"), lines},
                                                {QStringLiteral("adjustments"), adjustments},
                                                {QStringLiteral("extraItems"), extras}}},
    };
}

void RegisterState::fromJson(const QJsonObject &json)
{
    *this = RegisterState();
    serialNumber = number(json.value(QStringLiteral("serialNumber")));
    clockOffsetSecs = json.value(QStringLiteral("clockOffsetSecs")).toInteger();
    datePending = json.value(QStringLiteral("datePending")).toBool();
    pendingDate = QDate::fromString(json.value(QStringLiteral("pendingDate")).toString(), Qt::ISODate);
    shiftOpen = json.value(QStringLiteral("shiftOpen")).toBool();
    shiftNumber = static_cast<quint16>(json.value(QStringLiteral("shiftNumber")).toInt());
    lastClosedShift = static_cast<quint16>(json.value(QStringLiteral("lastClosedShift")).toInt());
    receiptsInShift = static_cast<quint16>(json.value(QStringLiteral("receiptsInShift")).toInt());
    documentsInShift = static_cast<quint16>(json.value(QStringLiteral("documentsInShift")).toInt());
    shiftOpenedAt = naive(json.value(QStringLiteral("shiftOpenedAt")).toString());
    documentCounter = static_cast<quint16>(json.value(QStringLiteral("documentCounter")).toInt());
    testRun = json.value(QStringLiteral("testRun")).toBool();
    baudCode = static_cast<quint8>(json.value(QStringLiteral("baudCode")).toInt(6));
    exchangeTimeout = static_cast<quint8>(json.value(QStringLiteral("exchangeTimeout")).toInt(100));
    for (const QJsonValue &v : json.value(QStringLiteral("printed")).toArray())
        printed.append(v.toString());
    const QJsonObject r = json.value(QStringLiteral("receipt")).toObject();
    receipt.open = r.value(QStringLiteral("open")).toBool();
    receipt.type = static_cast<quint8>(r.value(QStringLiteral("type")).toInt());
    receipt.operation = static_cast<quint8>(r.value(QStringLiteral("operation")).toInt(1));
    receipt.operatorNo = r.value(QStringLiteral("operatorNo")).toInt();
    for (const QJsonValue &v : r.value(QStringLiteral("lines")).toArray()) {
        const QJsonObject o = v.toObject();
        Line l;
        l.name = o.value(QStringLiteral("name")).toString();
        l.quantity = number(o.value(QStringLiteral("quantity")));
        l.price = number(o.value(QStringLiteral("price")));
        l.amount = number(o.value(QStringLiteral("amount")));
        l.discount = number(o.value(QStringLiteral("discount")));
        l.surcharge = number(o.value(QStringLiteral("surcharge")));
        l.taxGroup = static_cast<quint8>(o.value(QStringLiteral("taxGroup")).toInt());
        l.department = static_cast<quint8>(o.value(QStringLiteral("department")).toInt());
        l.barcode = number(o.value(QStringLiteral("barcode")));
        l.storno = o.value(QStringLiteral("storno")).toBool();
        receipt.lines.append(l);
    }
    for (const QJsonValue &v : r.value(QStringLiteral("adjustments")).toArray()) {
        const QJsonObject o = v.toObject();
        receipt.adjustments.append(
            {o.value(QStringLiteral("name")).toString(), number(o.value(QStringLiteral("amount"))),
             o.value(QStringLiteral("surcharge")).toBool(), o.value(QStringLiteral("storno")).toBool()});
    }
    for (const QJsonValue &v : r.value(QStringLiteral("extraItems")).toArray()) {
        const QJsonObject o = v.toObject();
        receipt.extraItems.append(
            {static_cast<quint16>(o.value(QStringLiteral("tag")).toInt()),
             QByteArray::fromHex(o.value(QStringLiteral("value")).toString().toLatin1())});
    }
}

} // namespace kelo::emu
