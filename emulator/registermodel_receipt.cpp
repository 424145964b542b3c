// Shift, receipts and correction receipts.

#include "registermodel.h"

#include "requestreader.h"
#include "tlvwriter.h"
#include "wireformat.h"

#include <limits>

namespace kelo::emu {

namespace {

// The FN's operation code for each receipt type of 8D (sale, purchase, sale
// return, purchase return).
constexpr quint8 kOperationOfType[4] = {1, 3, 2, 4};

quint8 typeOfOperation(quint8 operation)
{
    for (quint8 type = 0; type < 4; ++type) {
        if (kOperationOfType[type] == operation)
            return type;
    }
    return 0;
}

// Quantity (thousandths) times price, rounded to the kopeck; false on overflow.
bool lineAmount(quint64 quantity, quint64 price, quint64 *amount)
{
    if (price != 0 && quantity > (std::numeric_limits<quint64>::max() - 500) / price)
        return false;
    *amount = (quantity * price + 500) / 1000;
    return *amount <= RegisterModel::kMaxSum;
}

quint8 firstTaxGroup(const quint64 groups[4])
{
    for (int i = 0; i < 4; ++i) {
        if (groups[i] != 0)
            return static_cast<quint8>(groups[i]);
    }
    return 0;
}

// floor(a * b / c) for b <= c, exact where a * b would not fit in 64 bits:
// long multiplication one bit of `a` at a time, keeping quotient and remainder.
quint64 mulDiv(quint64 a, quint64 b, quint64 c)
{
    const quint64 bq = b / c;
    const quint64 br = b % c;
    quint64 q = 0;
    quint64 r = 0;
    for (int bit = 63; bit >= 0; --bit) {
        q <<= 1;
        r <<= 1;
        if (r >= c) {
            r -= c;
            ++q;
        }
        if ((a >> bit) & 1) {
            q += bq;
            r += br;
            if (r >= c) {
                r -= c;
                ++q;
            }
        }
    }
    return q;
}

// `amount` split in proportion to `weights`, to the kopeck: the parts add up to
// it exactly and none is more than its weight's share rounded up.
QVector<quint64> spread(const QVector<quint64> &weights, quint64 amount)
{
    QVector<quint64> parts(weights.size(), 0);
    quint64 sum = 0;
    for (quint64 w : weights)
        sum += w;
    if (sum == 0) {
        if (!parts.isEmpty())
            parts[0] = amount;
        return parts;
    }
    quint64 running = 0;
    quint64 given = 0;
    for (int i = 0; i < weights.size(); ++i) {
        running += weights.at(i);
        const quint64 upTo = mulDiv(amount, running, sum);
        parts[i] = upTo - given;
        given = upTo;
    }
    return parts;
}

// VAT inside a sum paid at `rate` hundredths of a percent, to the kopeck.
quint64 vatIn(quint64 paid, quint64 rate)
{
    return (paid * rate + (10000 + rate) / 2) / (10000 + rate);
}

// What the format 1.2 item carries of itself: goods (1212), paid in full at
// hand-over (1214), counted in pieces (2108).
constexpr quint8 kSubjectGoods = 1;
constexpr quint8 kFullPayment = 4;
constexpr quint8 kPieces = 0;

} // namespace

quint8 RegisterModel::cmdOpenShift(Call &call)
{
    if (!fn_.isFiscal())
        return ErrFnState;
    if (state_.shiftOpen)
        return ErrWrongMode;
    if (fn_.current != FiscalStorage::NoDocument)
        return ErrFnState;
    state_.shiftOpen = true;
    ++state_.shiftNumber;
    state_.receiptsInShift = 0;
    state_.documentsInShift = 0;
    state_.shiftOpenedAt = now();
    TlvWriter doc;
    addHeader(doc, call.operatorNo);
    doc.addUInt32(1038, state_.shiftNumber);
    fn_.commit(FiscalStorage::ShiftOpening, now(), doc);
    finishDocumentInShift();
    state_.print(QStringLiteral("ОТКРЫТИЕ СМЕНЫ %1").arg(state_.shiftNumber));
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::cmdCloseShift(Call &call)
{
    if (!state_.shiftOpen)
        return ErrShiftClosed;
    if (state_.receipt.open)
        return ErrReceiptOpen;
    if (fn_.current != FiscalStorage::NoDocument)
        return ErrFnState;
    TlvWriter doc;
    addHeader(doc, call.operatorNo);
    doc.addUInt32(1038, state_.shiftNumber);
    doc.addUInt32(1111, state_.documentsInShift + 1u);
    doc.addUInt32(1118, state_.receiptsInShift);
    doc.addUInt32(1097, static_cast<quint32>(fn_.unconfirmedCount()));
    if (const FiscalStorage::Document *first = fn_.firstUnconfirmed())
        doc.addTime(1098, first->time);
    fn_.commit(FiscalStorage::ShiftClosing, now(), doc);
    finishDocumentInShift();
    state_.shiftOpen = false;
    state_.lastClosedShift = state_.shiftNumber;
    state_.print(QStringLiteral("ЗАКРЫТИЕ СМЕНЫ %1").arg(state_.shiftNumber));
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::cmdXReport(Call &call)
{
    if (state_.receipt.open)
        return ErrReceiptOpen;
    ++state_.documentCounter;
    state_.print(QStringLiteral("ОТЧЕТ БЕЗ ГАШЕНИЯ"));
    state_.print(QStringLiteral("ЧЕКОВ ЗА СМЕНУ: %1").arg(state_.receiptsInShift));
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::cmdOpenReceipt(Call &call)
{
    const quint64 type = call.in.number(1);
    if (type > 3)
        return ErrBadParameters;
    if (const quint8 error = checkCanStartDocument())
        return error;
    state_.receipt = RegisterState::Receipt();
    state_.receipt.open = true;
    state_.receipt.type = static_cast<quint8>(type);
    state_.receipt.operation = kOperationOfType[type];
    state_.receipt.operatorNo = call.operatorNo;
    fn_.current = FiscalStorage::ReceiptInProgress;
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::addLine(Call &call, RegisterState::Line line, quint8 receiptType)
{
    if (line.quantity == 0)
        return ErrBadParameters;
    if (line.department > 16 && line.department != 255)
        return ErrDepartment;
    if (!lineAmount(line.quantity, line.price, &line.amount))
        return ErrMultiplyOverflow;
    if (line.discount > line.amount)
        return ErrDiscountTooLarge;
    RegisterState::Receipt &r = state_.receipt;
    if (r.open && r.type != receiptType)
        return ErrWrongReceiptType;
    if (r.open && r.total() + line.total() > static_cast<qint64>(kMaxSum))
        return ErrTotalOverflow;
    // The item's name is a requisite every receipt item must carry: the fiscal
    // storage would refuse the whole receipt at its close.
    if (line.name.trimmed().isEmpty())
        return ErrFnParameter;
    if (!r.open) {
        // A sale without an open receipt opens one of its own kind.
        if (const quint8 error = checkCanStartDocument())
            return error;
        r = RegisterState::Receipt();
        r.open = true;
        r.type = receiptType;
        r.operation = kOperationOfType[receiptType];
        r.operatorNo = call.operatorNo;
        fn_.current = FiscalStorage::ReceiptInProgress;
    }
    r.lines.append(line);
    // Each line goes to paper as it is booked.
    const auto money = [](quint64 kopecks) {
        return QStringLiteral("%1.%2").arg(kopecks / 100).arg(kopecks % 100, 2, 10, QLatin1Char('0'));
    };
    state_.print(QStringLiteral("%1%2 %3.%4 x %5 = %6")
                     .arg(line.storno ? QStringLiteral("СТОРНО ") : QString(), line.name)
                     .arg(line.quantity / 1000)
                     .arg(line.quantity % 1000, 3, 10, QLatin1Char('0'))
                     .arg(money(line.price), money(line.amount)));
    return 0;
}

// Quantity, price, department, the four tax groups and the name of a line.
quint8 RegisterModel::readLine(Call &call, RegisterState::Line &line)
{
    line.quantity = call.in.number(5);
    line.price = call.in.number(5);
    line.department = static_cast<quint8>(call.in.number(1));
    quint64 taxes[4];
    for (quint64 &t : taxes) {
        t = call.in.number(1);
        if (t > kTaxGroups)
            return ErrBadParameters;
    }
    line.taxGroup = firstTaxGroup(taxes);
    line.name = call.in.text1251(40);
    return 0;
}

quint8 RegisterModel::cmdItem(Call &call)
{
    RegisterState::Line line;
    if (const quint8 error = readLine(call, line))
        return error;
    if (const quint8 error = addLine(call, line, static_cast<quint8>(call.code - 0x80)))
        return error;
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::cmdStorno(Call &call)
{
    RegisterState::Line line;
    line.storno = true;
    if (const quint8 error = readLine(call, line))
        return error;
    if (!state_.receipt.open)
        return ErrReceiptClosed;
    if (line.quantity == 0)
        return ErrBadParameters;
    if (!lineAmount(line.quantity, line.price, &line.amount))
        return ErrMultiplyOverflow;
    if (static_cast<qint64>(line.amount) > state_.receipt.total())
        return ErrStornoTooLarge;
    if (line.name.trimmed().isEmpty())
        return ErrFnParameter;
    state_.receipt.lines.append(line);
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::cmdAdjustment(Call &call)
{
    RegisterState::Adjustment a;
    a.amount = call.in.number(5);
    for (int i = 0; i < 4; ++i)
        call.in.number(1);
    a.name = call.in.text1251(40);
    a.surcharge = call.code == 0x87 || call.code == 0x8B;
    a.storno = call.code == 0x8A || call.code == 0x8B;
    RegisterState::Receipt &r = state_.receipt;
    if (!r.open)
        return ErrReceiptClosed;
    if (a.amount == 0 || a.amount > kMaxSum)
        return ErrBadParameters;
    const qint64 amount = static_cast<qint64>(a.amount);
    if (a.storno && amount > r.adjustmentTotal(a.surcharge))
        return ErrDiscountTooLarge;
    const qint64 change = (a.surcharge != a.storno) ? amount : -amount;
    if (r.total() + change < 0)
        return ErrDiscountTooLarge;
    if (r.total() + change > static_cast<qint64>(kMaxSum))
        return ErrTotalOverflow;
    r.adjustments.append(a);
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::cmdCancelReceipt(Call &call)
{
    if (!state_.receipt.open)
        return ErrReceiptClosed;
    state_.receipt = RegisterState::Receipt();
    fn_.current = FiscalStorage::NoDocument;
    state_.print(QStringLiteral("ЧЕК АННУЛИРОВАН"));
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::cmdCloseReceipt(Call &call)
{
    quint64 payments[4];
    for (quint64 &p : payments)
        p = call.in.number(5);
    const quint64 percent = call.in.number(2); // hundredths of a percent off the whole receipt
    for (int i = 0; i < 4; ++i)
        call.in.number(1);
    const QString footer = call.in.text1251(40);
    RegisterState::Receipt &r = state_.receipt;
    if (!r.open)
        return ErrReceiptClosed;
    if (!r.hasSale())
        return ErrEmptyReceipt;
    if (percent > 9999)
        return ErrBadParameters;
    const quint64 before = static_cast<quint64>(qMax<qint64>(0, r.total()));
    const quint64 receiptDiscount = (before * percent + 5000) / 10000;
    const quint64 total = before - receiptDiscount;
    const quint64 cashless = payments[1] + payments[2] + payments[3]; // each below 2^40: no overflow
    if (cashless > total)
        return ErrCashlessTooLarge;
    if (payments[0] + cashless < total)
        return ErrPaymentShort;
    const quint64 change = payments[0] + cashless - total;

    ++state_.receiptsInShift;
    TlvWriter doc;
    addHeader(doc, r.operatorNo);
    doc.addUInt32(1042, state_.receiptsInShift);
    doc.addUInt32(1038, state_.shiftNumber);
    doc.addByte(1054, r.operation);
    doc.addByte(1055, taxSystemForDocuments());
    addReceiptLines(doc, r, total);
    const qint64 discounts = r.adjustmentTotal(false) + static_cast<qint64>(receiptDiscount);
    const qint64 surcharges = r.adjustmentTotal(true);
    if (discounts > 0 || surcharges > 0) {
        TlvWriter adj;
        if (discounts > 0)
            adj.addVln(1064, static_cast<quint64>(discounts));
        if (surcharges > 0)
            adj.addVln(1035, static_cast<quint64>(surcharges));
        doc.addStructure(1112, adj);
    }
    for (const auto &item : r.extraItems)
        doc.addBytes(item.first, item.second);
    doc.addVln(1020, total);
    doc.addVln(1031, total - cashless);
    doc.addVln(1081, cashless);
    fn_.commit(FiscalStorage::Receipt, now(), doc, r.operation, total);
    finishDocumentInShift();
    state_.print(QStringLiteral("ЧЕК %1 ИТОГ %2.%3")
                     .arg(state_.receiptsInShift)
                     .arg(total / 100)
                     .arg(total % 100, 2, 10, QLatin1Char('0')));
    if (!footer.isEmpty())
        state_.print(footer);
    const int operatorNo = r.operatorNo;
    state_.receipt = RegisterState::Receipt();
    call.out.append(static_cast<char>(operatorNo ? operatorNo : call.operatorNo));
    wire::appendLE(call.out, change, 5);
    return 0;
}

quint8 RegisterModel::vatRateCode(int group) const
{
    if (group < 1 || group > kTaxGroups)
        return 6; // without VAT
    switch (tables_.number(6, group, 1)) {
    case 2200:
        return 11; // 22 %, since 2026
    case 2000:
    case 1800: // 20 % took over the code of 18 % in 2019
        return 1;
    case 1000:
        return 2;
    case 500:
        return 7;
    case 700:
        return 8;
    case 0:
        return group == 3 ? 5 : 6; // row 3 is 0 %, the others without VAT
    default:
        // A rate no code exists for: the code of the row's rate out of the box.
        static const quint8 byRow[kTaxGroups] = {11, 2, 5, 6, 7, 8};
        return byRow[group - 1];
    }
}

void RegisterModel::addReceiptLines(TlvWriter &doc, const RegisterState::Receipt &r, quint64 total) const
{
    // What the receipt's discounts and surcharges (and the closing percentage)
    // did to its total is shared out over the goods by their sums, so that each
    // item shows what was paid for it and its VAT is that of the sum paid.
    QVector<quint64> weights;
    qint64 goods = 0;
    quint64 weighed = 0;
    for (const RegisterState::Line &line : r.lines) {
        weights.append(line.storno ? 0 : static_cast<quint64>(qMax<qint64>(0, line.total())));
        weighed += weights.last();
        goods += line.total();
    }
    // Goods given away: a surcharge on them goes to them in equal parts.
    if (weighed == 0) {
        for (int i = 0; i < r.lines.size(); ++i)
            weights[i] = r.lines.at(i).storno ? 0 : 1;
    }
    const qint64 change = static_cast<qint64>(total) - goods;
    const QVector<quint64> shares = spread(weights, static_cast<quint64>(change < 0 ? -change : change));

    quint64 byGroup[kTaxGroups + 1] = {};
    for (int i = 0; i < r.lines.size(); ++i) {
        const RegisterState::Line &line = r.lines.at(i);
        // A state file may name a group the table does not have.
        const int group = line.taxGroup <= kTaxGroups ? line.taxGroup : 0;
        const quint64 listed = static_cast<quint64>(line.storno ? -line.total() : line.total());
        const quint64 paid =
            line.storno ? listed : (change < 0 ? listed - shares.at(i) : listed + shares.at(i));
        const quint8 vatCode = vatRateCode(group);
        const quint64 rate = group ? tables_.number(6, group, 1) : 0;
        TlvWriter item;
        item.addString(1030, line.name, 128);
        item.addVln(1079, line.price);
        item.addFvln(1023, line.quantity);
        item.addByte(2108, kPieces);
        item.addByte(1212, kSubjectGoods);
        item.addByte(1214, kFullPayment);
        item.addByte(1199, vatCode);
        if (line.discount || line.surcharge) {
            TlvWriter adj;
            if (line.discount)
                adj.addVln(1064, line.discount);
            if (line.surcharge)
                adj.addVln(1035, line.surcharge);
            item.addStructure(1112, adj);
        }
        item.addVln(1043, paid);
        if (rate)
            item.addVln(1200, vatIn(paid, rate));
        if (line.barcode)
            item.addString(1080, QStringLiteral("%1").arg(line.barcode, 13, 10, QLatin1Char('0')));
        doc.addStructure(line.storno ? 1071 : 1059, item);
        if (line.storno)
            byGroup[group] -= qMin(byGroup[group], paid);
        else
            byGroup[group] += paid;
    }
    // The receipt's sums by rate, for the rates the format has a sum for; the
    // items carry the VAT of the others (22 %, 5 %, 7 %).
    static const quint16 sumTags[] = {1102, 1103, 1104, 1105};
    quint64 sums[4] = {};
    for (int group = 0; group <= kTaxGroups; ++group) {
        const quint64 rate = group ? tables_.number(6, group, 1) : 0;
        switch (vatRateCode(group)) {
        case 1:
            sums[0] += vatIn(byGroup[group], rate);
            break;
        case 2:
            sums[1] += vatIn(byGroup[group], rate);
            break;
        case 5:
            sums[2] += byGroup[group];
            break;
        case 6:
            sums[3] += byGroup[group];
            break;
        default:
            break;
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (sums[i])
            doc.addVln(sumTags[i], sums[i]);
    }
}

quint8 RegisterModel::cmdItemWithAdjustments(Call &call)
{
    const quint64 operation = call.in.number(1);
    RegisterState::Line line;
    line.quantity = call.in.number(5);
    line.price = call.in.number(5);
    line.discount = call.in.number(5);
    line.surcharge = call.in.number(5);
    line.department = static_cast<quint8>(call.in.number(1));
    const quint64 taxBits = call.in.number(1);
    line.barcode = call.in.number(5);
    // The text area holds the goods name and the discount name, each ended by
    // a zero byte; a name that starts with a backslash pair is not printed.
    const QByteArray area = call.in.rest();
    const QByteArray name = wire::untilZero(area);
    QString text = wire::fromCp1251(name);
    if (text.startsWith(QLatin1String("\\\\")))
        text = text.mid(2);
    line.name = text;
    if (operation < 1 || operation > 4)
        return ErrFnParameter;
    for (int bit = 0; bit < kTaxGroups; ++bit) {
        if (taxBits & (1u << bit)) {
            line.taxGroup = static_cast<quint8>(bit + 1);
            break;
        }
    }
    if (line.surcharge > kMaxSum || line.discount > kMaxSum)
        return ErrFnParameter;
    return addLine(call, line, typeOfOperation(static_cast<quint8>(operation)));
}

quint8 RegisterModel::cmdAttachTlv(Call &call)
{
    const quint16 tag = static_cast<quint16>(call.in.number(2));
    const int length = static_cast<int>(call.in.number(2));
    const QByteArray value = call.in.rest();
    if (!state_.receipt.open)
        return ErrFnState;
    // The header's length must be the length of the data that came with it.
    if (tag == 0 || length != value.size())
        return ErrFnParameter;
    if (value.size() > TlvWriter::kMaxValue || (tag == 1008 && value.size() > 64))
        return ErrTlvTooLarge;
    QVector<QPair<quint16, QByteArray>> &extras = state_.receipt.extraItems;
    int size = 0;
    for (const auto &item : extras)
        size += item.first == tag ? 0 : 4 + static_cast<int>(item.second.size());
    if (size + 4 + value.size() > 1024)
        return ErrTlvTooLarge;
    for (auto &item : extras) {
        if (item.first == tag) {
            item.second = value;
            return 0;
        }
    }
    extras.append({tag, value});
    return 0;
}

quint8 RegisterModel::cmdBeginCorrection(Call &)
{
    if (const quint8 error = checkCanStartDocument())
        return error;
    fn_.current = FiscalStorage::CorrectionInProgress;
    return 0;
}

quint8 RegisterModel::cmdCorrection(Call &call)
{
    const quint64 total = call.in.number(5);
    const quint64 operation = call.in.number(1);
    if (fn_.current != FiscalStorage::CorrectionInProgress)
        return ErrFnState;
    if (operation < 1 || operation > 4 || total == 0 || total > kMaxSum)
        return ErrFnParameter;
    const quint64 cashless = tables_.number(4, 1, 1);
    if (cashless > total)
        return ErrCashlessTooLarge;
    ++state_.receiptsInShift;
    TlvWriter doc;
    addHeader(doc, call.operatorNo);
    doc.addUInt32(1042, state_.receiptsInShift);
    doc.addUInt32(1038, state_.shiftNumber);
    doc.addByte(1054, static_cast<quint8>(operation));
    doc.addByte(1055, taxSystemForDocuments());
    doc.addVln(1020, total);
    doc.addVln(1031, total - cashless);
    doc.addVln(1081, cashless);
    const FiscalStorage::Document &stored =
        fn_.commit(FiscalStorage::CorrectionReceipt, now(), doc, static_cast<quint8>(operation), total);
    finishDocumentInShift();
    tables_.setNumber(4, 1, 1, 0); // the cashless part is for this correction only
    state_.print(QStringLiteral("ЧЕК КОРРЕКЦИИ %1").arg(state_.receiptsInShift));
    wire::appendLE(call.out, state_.receiptsInShift, 4);
    wire::appendLE(call.out, stored.number, 4);
    wire::appendLE(call.out, stored.fiscalSign, 4);
    return 0;
}

quint8 RegisterModel::cmdShiftParameters(Call &call)
{
    call.out.append(static_cast<char>(state_.shiftOpen ? 1 : 0));
    wire::appendLE(call.out, state_.shiftNumber, 2);
    wire::appendLE(call.out, state_.shiftOpen ? state_.receiptsInShift : 0, 2);
    return 0;
}

} // namespace kelo::emu
