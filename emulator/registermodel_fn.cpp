// Fiscal storage: status, registration, closing, reports, documents, OFD.

#include "registermodel.h"

#include "requestreader.h"
#include "tlvwriter.h"
#include "wireformat.h"

namespace kelo::emu {

namespace {

QString digitsOf(const QByteArray &field)
{
    return QString::fromLatin1(wire::untilZero(field)).trimmed();
}

bool allDigits(const QString &text)
{
    for (QChar c : text) {
        if (!c.isDigit() || c.unicode() > 0x7F)
            return false;
    }
    return !text.isEmpty();
}

void appendText(QByteArray &out, const QString &text, int width)
{
    out.append(wire::fixedText(text.toLatin1(), width));
}

} // namespace

quint8 RegisterModel::cmdFnStatus(Call &call)
{
    QByteArray &o = call.out;
    o.append(static_cast<char>(fn_.phase));
    o.append(static_cast<char>(fn_.current));
    const bool hasData = fn_.current == FiscalStorage::ReceiptInProgress && !state_.receipt.lines.isEmpty();
    o.append(static_cast<char>(hasData ? 1 : 0));
    o.append(static_cast<char>(state_.shiftOpen ? 1 : 0));
    quint8 warnings = 0;
    const qint64 daysLeft = now().date().daysTo(fn_.validUntil);
    if (daysLeft < 3)
        warnings |= 0x01; // replace the FN urgently
    if (daysLeft < 30)
        warnings |= 0x02; // the FN's life is running out
    const FiscalStorage::Document *oldest = fn_.firstUnconfirmed();
    if (oldest && oldest->time.daysTo(now()) > 30)
        warnings |= 0x08; // the OFD has not answered for too long
    o.append(static_cast<char>(warnings));
    const FiscalStorage::Document *last = fn_.lastDocument();
    wire::appendDateYmd(o, last ? last->time.date() : QDate());
    wire::appendTimeHm(o, last ? last->time.time() : QTime());
    appendText(o, fn_.number, 16);
    wire::appendLE(o, fn_.lastNumber(), 4);
    return 0;
}

quint8 RegisterModel::cmdFnNumber(Call &call)
{
    appendText(call.out, fn_.number, 16);
    return 0;
}

quint8 RegisterModel::cmdFnValidity(Call &call)
{
    wire::appendDateYmd(call.out, fn_.validUntil);
    return 0;
}

quint8 RegisterModel::cmdFnVersion(Call &call)
{
    appendText(call.out, fn_.version, 16);
    call.out.append(char(0)); // a debug FN: it can be reset to the factory state
    return 0;
}

quint8 RegisterModel::cmdBeginRegistration(Call &call)
{
    const quint64 kind = call.in.number(1);
    if (kind > 2)
        return ErrFnParameter;
    if (state_.shiftOpen || state_.receipt.open || fn_.current != FiscalStorage::NoDocument)
        return ErrFnState;
    if (kind == 0 && fn_.phase != FiscalStorage::ReadyForRegistration)
        return ErrFnState;
    if (kind != 0 && !fn_.isFiscal())
        return ErrFnState;
    static const quint8 current[] = {FiscalStorage::RegistrationInProgress,
                                     FiscalStorage::ChangeWithFnReplacement, FiscalStorage::ChangeInProgress};
    fn_.current = current[kind];
    return 0;
}

quint8 RegisterModel::validateRegistration(const QString &inn, const QString &regNumber, quint8 tax,
                                           quint8 mode) const
{
    if (!allDigits(inn) || (inn.size() != 10 && inn.size() != 12))
        return ErrFnParameter;
    if (!allDigits(regNumber) || regNumber.size() != 16)
        return ErrFnParameter;
    if (tax == 0 || (tax & ~0x3F) || (mode & ~0x7F))
        return ErrFnParameter;
    // The registration number carries a check of the INN and this register's
    // serial number; a number made for another register is refused.
    const QString expected =
        wire::registrationNumber(regNumber.left(10).toULongLong(), inn.toULongLong(), state_.serialNumber);
    if (state_.serialNumber == 0 || expected != regNumber)
        return ErrFnParameter;
    return 0;
}

quint8 RegisterModel::cmdRegister(Call &call)
{
    const QString inn = digitsOf(call.in.bytes(12));
    const QString regNumber = digitsOf(call.in.bytes(20));
    const quint8 tax = static_cast<quint8>(call.in.number(1));
    const quint8 mode = static_cast<quint8>(call.in.number(1));
    if (fn_.current != FiscalStorage::RegistrationInProgress)
        return ErrFnState;
    if (const quint8 error = validateRegistration(inn, regNumber, tax, mode))
        return error;
    FiscalStorage::Registration &r = fn_.registration;
    r = FiscalStorage::Registration();
    r.inn = inn;
    r.regNumber = regNumber;
    r.taxSystems = tax;
    r.workModes = mode;
    r.time = now();
    TlvWriter doc;
    addHeader(doc, call.operatorNo);
    doc.addString(1013, QString::number(state_.serialNumber));
    doc.addString(1041, fn_.number);
    addFormatVersions(doc, mode);
    doc.addByte(1062, tax);
    doc.addByte(1056, mode & 0x01);
    doc.addByte(1002, (mode & 0x02) ? 1 : 0);
    doc.addByte(1001, (mode & 0x04) ? 1 : 0);
    doc.addByte(1108, (mode & 0x20) ? 1 : 0);
    doc.addString(1046, tables_.text(18, 1, 10));
    doc.addString(1017, tables_.text(18, 1, 12));
    doc.addString(1060, tables_.text(18, 1, 13));
    fn_.phase = FiscalStorage::FiscalMode;
    fn_.registrations = 0;
    storeRegistration(call, FiscalStorage::RegistrationReport, doc, QStringLiteral("ОТЧЕТ О РЕГИСТРАЦИИ"));
    return 0;
}

void RegisterModel::addFormatVersions(TlvWriter &doc, quint8 mode) const
{
    // The versions of the register and of its FN, and the conditions of use that
    // format 1.2 writes as flags: strict-report forms, Internet only, services.
    doc.addByte(1189, kFormatVersion);
    doc.addByte(1190, kFormatVersion);
    quint32 conditions = 0;
    if (mode & 0x10)
        conditions |= 0x4;
    if (mode & 0x20)
        conditions |= 0x20;
    if (mode & 0x08)
        conditions |= 0x200;
    doc.addUInt32(1290, conditions);
}

void RegisterModel::storeRegistration(Call &call, quint8 type, const TlvWriter &doc, const QString &title)
{
    FiscalStorage::Registration &r = fn_.registration;
    const FiscalStorage::Document &stored = fn_.commit(type, now(), doc);
    r.documentNumber = stored.number;
    r.fiscalSign = stored.fiscalSign;
    ++fn_.registrations;
    tables_.setText(18, 1, 2, r.inn);
    tables_.setText(18, 1, 3, r.regNumber);
    tables_.setNumber(18, 1, 5, r.taxSystems);
    tables_.setNumber(18, 1, 6, r.workModes);
    ++state_.documentCounter;
    state_.print(title);
    wire::appendLE(call.out, stored.number, 4);
    wire::appendLE(call.out, stored.fiscalSign, 4);
}

quint8 RegisterModel::cmdReregister(Call &call)
{
    const QString inn = digitsOf(call.in.bytes(12));
    const QString regNumber = digitsOf(call.in.bytes(20));
    const quint8 tax = static_cast<quint8>(call.in.number(1));
    const quint8 mode = static_cast<quint8>(call.in.number(1));
    const quint8 reason = static_cast<quint8>(call.in.number(1));
    if (fn_.current != FiscalStorage::ChangeInProgress
        && fn_.current != FiscalStorage::ChangeWithFnReplacement)
        return ErrFnState;
    if (const quint8 error = validateRegistration(inn, regNumber, tax, mode))
        return error;
    if (reason == 0)
        return ErrFnParameter;
    if (fn_.registrations >= 12)
        return ErrReregistrationsExhausted;
    FiscalStorage::Registration &r = fn_.registration;
    r.inn = inn;
    r.regNumber = regNumber;
    r.taxSystems = tax;
    r.workModes = mode;
    r.reason = reason;
    r.time = now();
    TlvWriter doc;
    addHeader(doc, call.operatorNo);
    doc.addString(1013, QString::number(state_.serialNumber));
    doc.addString(1041, fn_.number);
    addFormatVersions(doc, mode);
    doc.addByte(1062, tax);
    doc.addByte(1056, mode & 0x01);
    doc.addByte(1101, reason);
    doc.addString(1046, tables_.text(18, 1, 10));
    doc.addString(1017, tables_.text(18, 1, 12));
    storeRegistration(call, FiscalStorage::RegistrationChange, doc,
                      QStringLiteral("ОТЧЕТ ОБ ИЗМЕНЕНИИ ПАРАМЕТРОВ РЕГИСТРАЦИИ"));
    return 0;
}

quint8 RegisterModel::cmdRegistrationTotals(Call &call)
{
    const FiscalStorage::Registration &r = fn_.registration;
    if (r.documentNumber == 0)
        return ErrFnState;
    QByteArray &o = call.out;
    wire::appendDateYmd(o, r.time.date());
    wire::appendTimeHm(o, r.time.time());
    appendText(o, r.inn, 12);
    appendText(o, r.regNumber, 20);
    o.append(static_cast<char>(r.taxSystems));
    o.append(static_cast<char>(r.workModes));
    o.append(static_cast<char>(r.reason));
    wire::appendLE(o, r.documentNumber, 4);
    wire::appendLE(o, r.fiscalSign, 4);
    return 0;
}

quint8 RegisterModel::cmdBeginFnClosing(Call &)
{
    if (!fn_.isFiscal() || state_.shiftOpen || state_.receipt.open
        || fn_.current != FiscalStorage::NoDocument)
        return ErrFnState;
    fn_.current = FiscalStorage::FnClosingInProgress;
    return 0;
}

quint8 RegisterModel::cmdCloseFn(Call &call)
{
    if (fn_.current != FiscalStorage::FnClosingInProgress)
        return ErrFnState;
    TlvWriter doc;
    addHeader(doc, call.operatorNo);
    doc.addString(1041, fn_.number);
    const FiscalStorage::Document &stored = fn_.commit(FiscalStorage::FnClosing, now(), doc);
    fn_.phase = FiscalStorage::PostFiscal;
    ++state_.documentCounter;
    state_.print(QStringLiteral("ОТЧЕТ О ЗАКРЫТИИ ФН"));
    wire::appendLE(call.out, stored.number, 4);
    wire::appendLE(call.out, stored.fiscalSign, 4);
    fn_.updateOfd(now());
    return 0;
}

quint8 RegisterModel::cmdBeginSettlementReport(Call &)
{
    if (!fn_.isFiscal())
        return ErrFnState;
    if (state_.receipt.open)
        return ErrReceiptOpen;
    if (fn_.current != FiscalStorage::NoDocument)
        return ErrFnState;
    fn_.current = FiscalStorage::SettlementInProgress;
    return 0;
}

quint8 RegisterModel::cmdSettlementReport(Call &call)
{
    if (fn_.current != FiscalStorage::SettlementInProgress)
        return ErrFnState;
    const quint32 unconfirmed = static_cast<quint32>(fn_.unconfirmedCount());
    const FiscalStorage::Document *first = fn_.firstUnconfirmed();
    const QDateTime firstTime = first ? first->time : QDateTime();
    TlvWriter doc;
    addHeader(doc, call.operatorNo);
    doc.addUInt32(1097, unconfirmed);
    if (first) {
        doc.addUInt32(1116, first->number);
        doc.addTime(1098, first->time);
    }
    const FiscalStorage::Document &stored = fn_.commit(FiscalStorage::SettlementReport, now(), doc);
    finishDocumentInShift();
    state_.print(QStringLiteral("ОТЧЕТ О СОСТОЯНИИ РАСЧЕТОВ"));
    wire::appendLE(call.out, stored.number, 4);
    wire::appendLE(call.out, stored.fiscalSign, 4);
    wire::appendLE(call.out, unconfirmed, 4);
    wire::appendDateDmy(call.out, firstTime.date());
    return 0;
}

quint8 RegisterModel::cmdResetFn(Call &call)
{
    const quint64 code = call.in.number(1);
    if (code != 11 && code != 22)
        return ErrFnParameter;
    state_.receipt = RegisterState::Receipt();
    fn_.current = FiscalStorage::NoDocument;
    if (code == 22) {
        // Back to the factory state: a new life for the same FN.
        fn_.factoryReset();
        state_.shiftOpen = false;
        state_.shiftNumber = 0;
        state_.lastClosedShift = 0;
        state_.receiptsInShift = 0;
        state_.documentsInShift = 0;
        tables_.setText(18, 1, 2, QString());
        tables_.setText(18, 1, 3, QString());
        tables_.setNumber(18, 1, 5, 0);
        tables_.setNumber(18, 1, 6, 0);
    }
    return 0;
}

quint8 RegisterModel::cmdCancelFnDocument(Call &)
{
    if (fn_.current == FiscalStorage::NoDocument && !state_.receipt.open)
        return ErrFnState;
    state_.receipt = RegisterState::Receipt();
    fn_.current = FiscalStorage::NoDocument;
    return 0;
}

quint8 RegisterModel::cmdOfdStatus(Call &call)
{
    const int queued = fn_.unconfirmedCount();
    const FiscalStorage::Document *first = fn_.firstUnconfirmed();
    quint8 status = 0;
    if (fn_.ofdAckDelaySecs >= 0)
        status |= 0x01; // connected
    if (queued > 0)
        status |= 0x02 | 0x04; // a message waits and its receipt is awaited
    QByteArray &o = call.out;
    o.append(static_cast<char>(status));
    o.append(char(0));
    wire::appendLE(o, static_cast<quint64>(qMin(queued, 0xFFFF)), 2);
    wire::appendLE(o, first ? first->number : 0, 4);
    wire::appendDateYmd(o, first ? first->time.date() : QDate());
    wire::appendTimeHm(o, first ? first->time.time() : QTime());
    return 0;
}

quint8 RegisterModel::cmdDocumentRequest(Call &call)
{
    const quint32 number = static_cast<quint32>(call.in.number(4));
    quint8 type = 0;
    int length = 0;
    if (!fn_.beginRead(number, &type, &length))
        return ErrNoData;
    wire::appendLE(call.out, type, 2);
    // One byte for the length: a longer document says 255, which the reading
    // side takes for "unknown" rather than a wrong small number.
    call.out.append(static_cast<char>(qMin(length, 255)));
    return 0;
}

quint8 RegisterModel::cmdDocumentItem(Call &call)
{
    quint16 tag = 0;
    QByteArray value;
    if (!fn_.nextItem(&tag, &value))
        return ErrNoData;
    if (value.size() > TlvWriter::kMaxValue)
        return ErrTlvTooLarge;
    wire::appendLE(call.out, tag, 2);
    wire::appendLE(call.out, static_cast<quint64>(value.size()), 2);
    call.out.append(value);
    return 0;
}

quint8 RegisterModel::cmdOfdReceipt(Call &call)
{
    const quint32 number = static_cast<quint32>(call.in.number(4));
    const FiscalStorage::Document *doc = fn_.find(number);
    if (!doc || !doc->ackTime.isValid())
        return ErrNoData;
    wire::appendDateYmd(call.out, doc->ackTime.date());
    wire::appendTimeHm(call.out, doc->ackTime.time());
    call.out.append(fn_.ofdReceipt(*doc));
    wire::appendLE(call.out, doc->number, 4);
    return 0;
}

quint8 RegisterModel::cmdUnconfirmedCount(Call &call)
{
    wire::appendLE(call.out, static_cast<quint64>(qMin(fn_.unconfirmedCount(), 0xFFFF)), 2);
    return 0;
}

quint8 RegisterModel::cmdFindDocument(Call &call)
{
    const quint32 number = static_cast<quint32>(call.in.number(4));
    const FiscalStorage::Document *doc = fn_.find(number);
    if (!doc)
        return ErrNoData;
    QByteArray &o = call.out;
    o.append(static_cast<char>(doc->type));
    o.append(static_cast<char>(doc->ackTime.isValid() ? 1 : 0));
    o.append(static_cast<char>(doc->time.date().year() % 100));
    o.append(static_cast<char>(doc->time.date().month()));
    o.append(static_cast<char>(doc->time.date().day()));
    wire::appendTimeHm(o, doc->time.time());
    wire::appendLE(o, doc->number, 4);
    wire::appendLE(o, doc->fiscalSign, 4);
    if (doc->type == FiscalStorage::Receipt || doc->type == FiscalStorage::CorrectionReceipt) {
        o.append(static_cast<char>(doc->operation));
        wire::appendLE(o, doc->total, 5);
    }
    return 0;
}

} // namespace kelo::emu
