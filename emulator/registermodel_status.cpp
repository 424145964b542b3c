// Device identity, state queries, clock, serial number, dump, tables and the
// other service commands of the register.

#include "registermodel.h"

#include "firmwareimage.h"
#include "requestreader.h"
#include "wireformat.h"

namespace kelo::emu {

namespace {

const QDate kFirmwareDate(2017, 3, 15);
constexpr quint16 kRegisterFlags = 0x0002; // receipt paper present

} // namespace

quint8 RegisterModel::cmdDeviceType(Call &call)
{
    call.out.append(char(0)); // cash register
    call.out.append(char(0));
    call.out.append(char(1)); // protocol 1.6
    call.out.append(char(6));
    call.out.append(char(kModel));
    call.out.append(char(0)); // Russian
    call.out.append(wire::toCp1251(QStringLiteral("Kelo-Vint-Ф")));
    return 0;
}

quint8 RegisterModel::cmdFullState(Call &call)
{
    QByteArray &o = call.out;
    const QDateTime t = now();
    o.append(static_cast<char>(call.operatorNo));
    o.append("43");
    wire::appendLE(o, 12, 2);
    wire::appendDateDmy(o, kFirmwareDate);
    o.append(static_cast<char>(tables_.number(1, 1, 1)));
    wire::appendLE(o, state_.documentCounter, 2);
    wire::appendLE(o, kRegisterFlags, 2);
    o.append(static_cast<char>(modeByte()));
    o.append(char(0));
    o.append(char(0));
    o.append("01");
    wire::appendLE(o, 1, 2);
    wire::appendDateDmy(o, kFirmwareDate);
    wire::appendDateDmy(o, t.date());
    wire::appendTimeHms(o, t.time());
    o.append(static_cast<char>(fn_.isFiscal() ? 0x03 : 0x01));
    // A number that is not set goes out as all-FF, which reads as "no value".
    wire::appendLE(o, state_.serialNumber ? (state_.serialNumber & 0xFFFFFFFFu) : 0xFFFFFFFFu, 4);
    wire::appendLE(o, state_.lastClosedShift, 2);
    wire::appendLE(o, static_cast<quint64>(qMax(0, 2100 - state_.shiftNumber)), 2);
    o.append(static_cast<char>(fn_.registrations));
    o.append(static_cast<char>(qMax(0, 12 - fn_.registrations)));
    const quint64 inn = fn_.registration.inn.toULongLong();
    wire::appendLE(o, inn ? inn : 0xFFFFFFFFFFFFull, 6);
    return 0;
}

quint8 RegisterModel::cmdShortState(Call &call)
{
    QByteArray &o = call.out;
    o.append(static_cast<char>(call.operatorNo));
    wire::appendLE(o, kRegisterFlags, 2);
    o.append(static_cast<char>(modeByte()));
    o.append(char(0));
    o.append(static_cast<char>(state_.receipt.lines.size() & 0xFF));
    o.append(char(33));  // 3.3 V backup battery
    o.append(char(240)); // 24.0 V supply
    o.append(char(0));
    return 0;
}

quint8 RegisterModel::cmdSetTime(Call &call)
{
    const quint8 h = static_cast<quint8>(call.in.number(1));
    const quint8 m = static_cast<quint8>(call.in.number(1));
    const quint8 s = static_cast<quint8>(call.in.number(1));
    const QTime time = wire::timeFromHms(h, m, s);
    if (!time.isValid())
        return ErrDateFormat;
    if (state_.shiftOpen)
        return ErrWrongMode;
    setClock(QDateTime(now().date(), time, Qt::UTC));
    return 0;
}

quint8 RegisterModel::cmdSetDate(Call &call)
{
    const quint8 d = static_cast<quint8>(call.in.number(1));
    const quint8 m = static_cast<quint8>(call.in.number(1));
    const quint8 y = static_cast<quint8>(call.in.number(1));
    const QDate date = wire::dateFromDmy(d, m, y);
    if (!date.isValid())
        return ErrDateFormat;
    if (state_.shiftOpen)
        return ErrWrongMode;
    state_.datePending = true;
    state_.pendingDate = date;
    return 0;
}

quint8 RegisterModel::cmdConfirmDate(Call &call)
{
    const quint8 d = static_cast<quint8>(call.in.number(1));
    const quint8 m = static_cast<quint8>(call.in.number(1));
    const quint8 y = static_cast<quint8>(call.in.number(1));
    const QDate date = wire::dateFromDmy(d, m, y);
    if (!date.isValid())
        return ErrDateFormat;
    if (!state_.datePending)
        return ErrWrongMode;
    if (date != state_.pendingDate)
        return ErrDateMismatch;
    // The FN refuses to go back before its last document.
    const FiscalStorage::Document *last = fn_.lastDocument();
    if (last && date < last->time.date())
        return 7;
    state_.datePending = false;
    setClock(QDateTime(date, now().time(), Qt::UTC));
    return 0;
}

quint8 RegisterModel::cmdTechReset(Call &)
{
    // The register's memory is cleared; the FN and its registration data stay.
    if (state_.receipt.open && fn_.current == FiscalStorage::ReceiptInProgress)
        fn_.current = FiscalStorage::NoDocument;
    state_.receipt = RegisterState::Receipt();
    state_.testRun = false;
    state_.datePending = false;
    state_.baudCode = 6;
    state_.exchangeTimeout = 100;
    dumpActive_ = false;
    tables_.resetToDefaults(18);
    state_.print(QStringLiteral("ТЕХНОЛОГИЧЕСКОЕ ОБНУЛЕНИЕ"));
    return 0;
}

quint8 RegisterModel::cmdGeneralReset(Call &)
{
    if (state_.shiftOpen || state_.receipt.open)
        return ErrWrongMode;
    state_.documentCounter = 0;
    state_.printed.clear();
    state_.print(QStringLiteral("ОБЩЕЕ ГАШЕНИЕ"));
    return 0;
}

quint8 RegisterModel::cmdReadRegisters(Call &call)
{
    state_.print(QStringLiteral("ОПЕРАЦИОННЫЕ РЕГИСТРЫ"));
    state_.print(QStringLiteral("ЧЕКОВ ЗА СМЕНУ: %1").arg(state_.receiptsInShift));
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::cmdWriteSerial(Call &call)
{
    const quint64 subcommand = call.in.number(1);
    const QByteArray text = wire::untilZero(call.in.bytes(16)).trimmed();
    if (subcommand != 0xF5 || text.isEmpty())
        return ErrBadParameters;
    for (char c : text) {
        if (c < '0' || c > '9')
            return ErrBadParameters;
    }
    const quint64 serial = text.toULongLong();
    if (serial == 0)
        return ErrBadParameters;
    // The number is written once; sending the same number again is harmless.
    if (state_.serialNumber != 0 && state_.serialNumber != serial)
        return ErrSerialAlreadySet;
    setSerial(serial);
    return 0;
}

quint8 RegisterModel::cmdWriteLongSerial(Call &call)
{
    const quint64 serial = call.in.number(7);
    if (serial == 0 || serial > 9999999999999999ull)
        return ErrBadParameters;
    if (state_.serialNumber != 0 && state_.serialNumber != serial)
        return ErrSerialAlreadySet;
    setSerial(serial);
    return 0;
}

quint8 RegisterModel::cmdDumpRequest(Call &call)
{
    const quint64 unit = call.in.number(1);
    if (unit != 6)
        return ErrBadParameters;
    if (firmware_.size() != dumpBlocks_ * FirmwareImage::kBlockSize)
        firmware_ = FirmwareImage::build(dumpBlocks_);
    dumpActive_ = true;
    dumpNext_ = 0;
    wire::appendLE(call.out, static_cast<quint64>(dumpBlocks_), 2);
    return 0;
}

quint8 RegisterModel::cmdDumpData(Call &call)
{
    if (!dumpActive_)
        return ErrNoData;
    call.out.append(char(6));
    wire::appendLE(call.out, static_cast<quint64>(dumpNext_), 2);
    call.out.append(firmware_.mid(dumpNext_ * FirmwareImage::kBlockSize, FirmwareImage::kBlockSize));
    if (++dumpNext_ >= dumpBlocks_)
        dumpActive_ = false;
    return 0;
}

quint8 RegisterModel::cmdDumpStop(Call &)
{
    dumpActive_ = false;
    return 0;
}

quint8 RegisterModel::cmdPrintLine(Call &call)
{
    const quint64 flags = call.in.number(1);
    const QString line = call.in.text1251(40);
    if (flags == 0 || flags > 3)
        return ErrBadParameters;
    state_.print(line);
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::cmdFontParameters(Call &call)
{
    static const struct
    {
        quint16 area;
        quint8 width;
        quint8 height;
    } fonts[] = {{576, 12, 24}, {576, 9, 17}};
    const quint64 font = call.in.number(1);
    if (font < 1 || font > 2)
        return ErrBadParameters;
    wire::appendLE(call.out, fonts[font - 1].area, 2);
    call.out.append(static_cast<char>(fonts[font - 1].width));
    call.out.append(static_cast<char>(fonts[font - 1].height));
    call.out.append(char(2));
    return 0;
}

namespace {

quint8 tableError(RegisterTables::Result result)
{
    switch (result) {
    case RegisterTables::Result::Ok:
        return 0;
    case RegisterTables::Result::NoTable:
        return RegisterModel::ErrNoTable;
    case RegisterTables::Result::ReadOnly:
        return RegisterModel::ErrFieldReadOnly;
    case RegisterTables::Result::WrongMode:
        return RegisterModel::ErrFieldInThisMode;
    case RegisterTables::Result::NoField:
    case RegisterTables::Result::TooLong:
    case RegisterTables::Result::OutOfRange:
        break;
    }
    return RegisterModel::ErrBadParameters;
}

} // namespace

quint8 RegisterModel::cmdWriteTable(Call &call)
{
    const int table = static_cast<int>(call.in.number(1));
    const int row = static_cast<int>(call.in.number(2));
    const int field = static_cast<int>(call.in.number(1));
    return tableError(tables_.write(table, row, field, call.in.rest(), state_.shiftOpen));
}

quint8 RegisterModel::cmdReadTable(Call &call)
{
    const int table = static_cast<int>(call.in.number(1));
    const int row = static_cast<int>(call.in.number(2));
    const int field = static_cast<int>(call.in.number(1));
    QByteArray value;
    const quint8 error = tableError(tables_.read(table, row, field, &value));
    if (error == 0)
        call.out.append(value);
    return error;
}

quint8 RegisterModel::cmdTableStructure(Call &call)
{
    const RegisterTables::Table *table = RegisterTables::findTable(static_cast<int>(call.in.number(1)));
    if (!table)
        return ErrNoTable;
    call.out.append(wire::fixedText(wire::toCp1251(QString::fromUtf8(table->name)), 40));
    wire::appendLE(call.out, static_cast<quint64>(table->rows), 2);
    call.out.append(static_cast<char>(table->fields.size()));
    return 0;
}

quint8 RegisterModel::cmdFieldStructure(Call &call)
{
    const int tableNo = static_cast<int>(call.in.number(1));
    const int fieldNo = static_cast<int>(call.in.number(1));
    if (!RegisterTables::findTable(tableNo))
        return ErrNoTable;
    const RegisterTables::Field *field = RegisterTables::findField(tableNo, fieldNo);
    if (!field)
        return ErrBadParameters;
    call.out.append(wire::fixedText(wire::toCp1251(QString::fromUtf8(field->name)), 40));
    call.out.append(static_cast<char>(field->text ? 1 : 0));
    call.out.append(static_cast<char>(field->width));
    if (!field->text) {
        wire::appendLE(call.out, field->min, field->width);
        wire::appendLE(call.out, field->max, field->width);
    }
    return 0;
}

quint8 RegisterModel::cmdInitTables(Call &)
{
    if (state_.shiftOpen)
        return ErrWrongMode;
    tables_.resetToDefaults(18);
    return 0;
}

quint8 RegisterModel::cmdTestRun(Call &call)
{
    call.in.number(1); // period in minutes: the run lasts until 2B here
    if (state_.receipt.open)
        return ErrReceiptOpen;
    state_.testRun = true;
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::cmdStopTestRun(Call &call)
{
    state_.testRun = false;
    call.out.append(static_cast<char>(call.operatorNo));
    return 0;
}

quint8 RegisterModel::cmdSetExchange(Call &call)
{
    const quint64 port = call.in.number(1);
    const quint64 baud = call.in.number(1);
    const quint64 timeout = call.in.number(1);
    if (port != 0 || baud > 6)
        return ErrBadParameters;
    state_.baudCode = static_cast<quint8>(baud);
    state_.exchangeTimeout = static_cast<quint8>(timeout);
    return 0;
}

quint8 RegisterModel::cmdReadExchange(Call &call)
{
    if (call.in.number(1) != 0)
        return ErrBadParameters;
    call.out.append(static_cast<char>(state_.baudCode));
    call.out.append(static_cast<char>(state_.exchangeTimeout));
    return 0;
}

} // namespace kelo::emu
